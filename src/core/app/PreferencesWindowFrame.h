#pragma once

#include <optional>
#include <string>
#include <vector>

namespace marbrel {

class Defaults;

// A window's frame in the window system's coordinates (origin at the top left, y growing down).
struct WindowFrame {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowFrame&) const = default;
};

// The preference window's remembered frame, kept in the settings under the window's autosave name,
// and where the window goes each time it is shown.
class PreferencesWindowFrame {
 public:
  static constexpr const char* kAutosaveName = "com.quintavelloz.Preferences.FrameAutosaveName";

  // Not owned; outlives this object.
  explicit PreferencesWindowFrame(Defaults& defaults, std::string autosaveName = kAutosaveName)
      : defaults_(defaults), autosaveName_(std::move(autosaveName)) {}

  const std::string& autosaveName() const { return autosaveName_; }

  // The saved frame; nothing when none was saved or the stored value is not a frame.
  std::optional<WindowFrame> saved() const;
  // Remembers a frame; nothing is written when it is the one already saved.
  void save(const WindowFrame& frame);

  // Where a window of `frame`'s size goes when shown: centred on `screen` (the available area of
  // the screen it is on), then moved to the saved frame's position when that keeps enough of the
  // window's top on one of `screens` to grab it (a saved position on a screen that is gone is
  // ignored). The size stays the window's own.
  WindowFrame placement(const WindowFrame& frame, const WindowFrame& screen,
                        const std::vector<WindowFrame>& screens) const;

 private:
  Defaults& defaults_;
  std::string autosaveName_;
};

}  // namespace marbrel
