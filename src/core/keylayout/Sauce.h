#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/keylayout/Key.h"
#include "core/keylayout/KeyCodeMap.h"
#include "core/platform/KeyboardLayout.h"
#include "core/platform/NotificationCenter.h"

namespace marbrel {

// Notifications Sauce posts on the process's notification centre, with no user info.
inline constexpr std::string_view kSauceSelectedKeyboardInputSourceChanged =
    "SauceSelectedKeyboardInputSourceChanged";
inline constexpr std::string_view kSauceSelectedKeyboardKeyCodesChanged =
    "SauceSelectedKeyboardKeyCodesChanged";
inline constexpr std::string_view kSauceEnabledKeyboardInputSourcesChanged =
    "SauceEnabledKeyboardInputSoucesChanged";  // spelled so: observers match on this text

// Tells which key a key code stands for under the keyboard layout selected now. Keeps one key map per
// enabled input source, read from the layout once, and follows the selection and the enabled set as
// the layout's owner reports their changes; a key event costs no call into the layout.
class Sauce {
 public:
  // Reads the current sources and builds every enabled source's map. `layout` and `notifications`
  // are not owned and must outlive this object.
  Sauce(const KeyboardLayout& layout, NotificationCenter& notifications);
  Sauce(const Sauce&) = delete;
  Sauce& operator=(const Sauce&) = delete;

  // The key `keyCode` stands for under the selected source; where that source's map has nothing
  // for the code, the key of a US keyboard at that code; nothing when neither knows the code.
  std::optional<Key> keyForKeyCode(std::uint16_t keyCode) const;

  // The code of `key` under the selected source, else its code on a US keyboard, else nothing.
  std::optional<std::uint16_t> keyCodeForKey(Key key) const;

  // The text of `keyCode` under the selected source with the Carbon `modifiers` (Shift 0x200,
  // Option 0x800; others ignored). Asks the layout each time.
  std::optional<std::string> keyText(std::uint16_t keyCode, std::uint32_t modifiers) const;

  // The enabled sources as last fetched, and the sources selected now.
  const std::vector<InputSource>& inputSources() const { return inputSources_; }
  const std::optional<InputSource>& currentKeyboardLayoutInputSource() const { return current_; }
  const std::optional<InputSource>& currentASCIICapableInputSource() const { return currentASCII_; }

  // The map kept for `source`, or null when it has none (not built yet, or no layout data).
  const KeyCodeMap* mapForSource(const InputSource& source) const;

  // The layout's owner calls this when the user selected another source. Posts
  // "SauceSelectedKeyboardInputSourceChanged" when the source really changed, then
  // "SauceSelectedKeyboardKeyCodesChanged" when the old and new maps differ.
  void selectedInputSourceChanged();

  // The layout's owner calls this when sources were enabled or disabled (or the keymap replaced):
  // rebuilds every map and posts "SauceEnabledKeyboardInputSoucesChanged".
  void enabledInputSourcesChanged();

 private:
  void fetchInputSources();
  void buildMap(const InputSource& source);
  void post(std::string_view name);

  const KeyboardLayout& layout_;
  NotificationCenter& notifications_;
  std::optional<InputSource> current_;
  std::optional<InputSource> currentASCII_;
  std::vector<InputSource> inputSources_;
  std::unordered_map<InputSource, KeyCodeMap, InputSourceHash> maps_;
};

}  // namespace marbrel
