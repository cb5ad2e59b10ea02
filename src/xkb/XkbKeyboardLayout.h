#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/KeyboardLayout.h"
#include "xkb/XkbRuleNames.h"

struct xkb_keymap;

namespace marbrel {

// The keyboard layouts of an XKB keymap: each layout group is one input source, and a key code's
// text is what the keymap types at that key's physical position in the group. Needs no X server:
// a keymap comes from rule names, or from whoever holds the display's keymap.
class XkbKeyboardLayout : public KeyboardLayout {
 public:
  // Compiles a keymap from names, ignoring the XKB_DEFAULT_* variables. Null, with the reason in
  // `error` when given, when the names do not compile (an unknown layout or variant).
  static std::unique_ptr<XkbKeyboardLayout> fromNames(const XkbRuleNames& names,
                                                      std::string* error = nullptr);

  // Uses an existing keymap, taking a reference of its own; the first group is selected.
  explicit XkbKeyboardLayout(xkb_keymap* keymap);
  ~XkbKeyboardLayout() override;
  XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
  XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

  // Replaces the keymap (the display's keyboard changed). The selected group index is kept when the
  // new keymap has it. The owner then tells Sauce the enabled sources changed, then that the
  // selection changed (the selected group may now be another source).
  void replaceKeymap(xkb_keymap* keymap);
  // Selects a layout group; false (and no change) when the keymap has no such group. The owner then
  // tells Sauce the selected source changed.
  bool selectGroup(std::uint32_t group);
  std::uint32_t selectedGroup() const;
  std::uint32_t groupCount() const;

  std::optional<InputSource> currentKeyboardLayoutInputSource() const override;
  std::optional<InputSource> currentASCIICapableInputSource() const override;
  std::vector<InputSource> enabledInputSources() const override;
  bool hasKeyLayoutData(const InputSource& source) const override;
  std::optional<std::string> textForKeyCode(const InputSource& source, std::uint16_t keyCode,
                                            LevelModifiers modifiers) const override;

 private:
  class Keymap;

  InputSource sourceForGroup(std::uint32_t group) const;

  std::unique_ptr<Keymap> keymap_;
  std::uint32_t selected_ = 0;
  std::optional<std::uint32_t> lastASCIICapable_;
};

}  // namespace marbrel
