#pragma once

#include <cstdint>
#include <memory>

#include <QObject>
#include <QTimer>

namespace marbrel {

class Sauce;
class X11Connection;
class XkbKeyboardLayout;

// Feeds the display's keyboard to the keyboard-layout port: reads the X server's keymap through
// xkbcommon-x11 (each layout group is an input source) and follows the server's XKB events, which
// come in bursts and are handled together on the next turn of the event loop, telling Sauce what
// changed.
class X11KeyboardLayoutSource : public QObject {
  Q_OBJECT

 public:
  // `connection` is not owned and outlives this object.
  explicit X11KeyboardLayoutSource(X11Connection& connection, QObject* parent = nullptr);
  ~X11KeyboardLayoutSource() override;

  // Whether the display's keymap could be read; without it layout() holds a US keymap.
  bool isLive() const { return live_; }
  XkbKeyboardLayout& layout() const { return *layout_; }

  // The object told about changes (not owned; null for none).
  void setSauce(Sauce* sauce) { sauce_ = sauce; }

  // Reads keymap and group again now and reports what changed.
  void refresh();

 private:
  bool readGroup(std::uint32_t& group) const;

  X11Connection& connection_;
  std::unique_ptr<XkbKeyboardLayout> layout_;
  Sauce* sauce_ = nullptr;
  bool live_ = false;
  std::int32_t deviceId_ = -1;
  int xkbEventBase_ = -1;
  int listener_ = 0;
  bool keymapChanged_ = false;
  QTimer settle_;
};

}  // namespace marbrel
