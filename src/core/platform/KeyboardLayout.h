#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace marbrel {

// One keyboard input source the user can type with (on Linux: one layout group of the keymap).
struct InputSource {
  std::string id;
  std::optional<std::string> modeID;
  bool isASCIICapable = false;
  bool isEnableCapable = false;
  bool isSelectCapable = false;
  bool isEnabled = false;
  bool isSelected = false;
  std::string localizedName;

  // Two sources are the same source when their ids and mode ids agree; the flags and the name are
  // a snapshot and do not take part.
  friend bool operator==(const InputSource& lhs, const InputSource& rhs) {
    return lhs.id == rhs.id && lhs.modeID == rhs.modeID;
  }
};

struct InputSourceHash {
  std::size_t operator()(const InputSource& source) const {
    const std::size_t idHash = std::hash<std::string>{}(source.id);
    const std::size_t modeHash = source.modeID ? std::hash<std::string>{}(*source.modeID) : 0x9e37;
    return idHash ^ (modeHash + 0x9e3779b97f4a7c15ULL + (idHash << 6) + (idHash >> 2));
  }
};

// The modifier keys that choose a key's shift level when asking a layout for a key's text: Shift,
// and Option (on Linux: AltGr, the third-level shift).
struct LevelModifiers {
  bool shift = false;
  bool option = false;
};

// The system's keyboard layouts: which input sources exist and are selected, and what text each
// physical key produces under one of them. Layout changes are announced by the owner of this port
// calling the interested objects (Sauce) directly.
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;

  // The input source the keyboard types with now, or nothing when the system has none.
  virtual std::optional<InputSource> currentKeyboardLayoutInputSource() const = 0;

  // The ASCII-capable source the system would type ASCII with now (the current source when it is
  // ASCII-capable), or nothing when no enabled source can type ASCII.
  virtual std::optional<InputSource> currentASCIICapableInputSource() const = 0;

  // The enabled input sources, in the system's order.
  virtual std::vector<InputSource> enabledInputSources() const = 0;

  // Whether the source has key layout data to read key texts from; a source without it (unknown,
  // or an input method with no layout) has no texts at all.
  virtual bool hasKeyLayoutData(const InputSource& source) const = 0;

  // The text the physical key at `keyCode` (a virtual key code of the ANSI layout: V is 9) produces
  // under `source` with `modifiers` held, as UTF-8, as a key cap would show it (a dead key shows its
  // accent). Empty when the key produces no text; nothing when the source has no layout data or the
  // code names no key the system knows.
  virtual std::optional<std::string> textForKeyCode(const InputSource& source, std::uint16_t keyCode,
                                                    LevelModifiers modifiers) const = 0;
};

}  // namespace marbrel
