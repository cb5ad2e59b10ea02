#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <QClipboard>
#include <QObject>
#include <QPointer>

#include "core/platform/Pasteboard.h"

class QMimeData;

namespace marbrel {

class X11ClipboardReader;

// The system clipboard on X11. Its contents are read by a reader of their own off the event loop
// whenever the owner changes; each complete reading becomes the current contents (and moves the change
// count) on the main thread, so no question asked here ever waits for another program. Writing goes
// through QClipboard; while the program's own write is on the clipboard, its contents are exactly the
// types given bytes, as written (Qt offers more: text/plain and text/x-moz-url beside a URI list).
class QtPasteboard : public QObject, public Pasteboard {
  Q_OBJECT

 public:
  // `clipboard` is not owned (QGuiApplication's clipboard by default). The contents are read from the
  // display named by $DISPLAY.
  explicit QtPasteboard(QClipboard* clipboard = nullptr, QClipboard::Mode mode = QClipboard::Clipboard,
                        QObject* parent = nullptr);
  ~QtPasteboard() override;

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override { return items_; }
  void declareTypes(const std::vector<std::string>& types) override;
  void setData(const std::optional<std::string>& data, const std::string& type) override;
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }
  bool setPrimarySelectionText(const std::string& text) override;

  // Whether changes of the clipboard are seen at all (the X server announces new owners).
  bool isWatching() const;

 private:
  QClipboard* clipboard_;
  QClipboard::Mode mode_;
  std::int64_t changeCount_ = 0;
  std::vector<std::shared_ptr<const PasteboardItem>> items_;
  std::function<void()> changeHandler_;
  // The contents this program put on the clipboard last (the clipboard owns the QMimeData), and its
  // types with their bytes in the order written.
  QPointer<QMimeData> written_;
  std::vector<std::pair<std::string, std::string>> writtenFormats_;
  // Which windows belong to this program's Qt connection: (window & ~mask) == base.
  std::uint32_t ownWindowBase_ = 0;
  std::uint32_t ownWindowMask_ = 0;
  std::unique_ptr<X11ClipboardReader> reader_;

  // On the main thread: a reading becomes the current contents.
  void take(std::uint32_t owner, std::shared_ptr<const PasteboardItem> item);
};

}  // namespace marbrel
