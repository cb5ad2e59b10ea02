#include "core/shortcuts/RecorderModel.h"

#include <any>
#include <utility>

#include "core/platform/ModifierFlags.h"
#include "core/shortcuts/KeyboardShortcuts.h"

namespace marbrel {
namespace {

constexpr std::int64_t kTabKey = 48;
constexpr std::int64_t kDeleteKey = 51;
constexpr std::int64_t kEscapeKey = 53;
constexpr std::int64_t kF12Key = 111;
constexpr std::int64_t kForwardDeleteKey = 117;

// The modifiers that count: caps lock, the numeric pad and the function flag are not modifiers here.
std::uint64_t significantModifiers(std::uint64_t flags) {
  return flags & cocoa_flags::kDeviceIndependentMask &
         ~(cocoa_flags::kCapsLock | cocoa_flags::kNumericPad | cocoa_flags::kFunction);
}

bool isDeleteKey(std::int64_t keyCode, const std::string& characters) {
  return keyCode == kDeleteKey || keyCode == kForwardDeleteKey || characters == "\b";
}

// F1 to F35, by key code or by the function-key character a platform may give instead (U+F704 to
// U+F726, for the keys beyond F20 that have no virtual key code).
bool isFunctionKey(std::int64_t keyCode, const std::string& characters) {
  if (ShortcutText::isFunctionKey(keyCode)) return true;
  if (characters.size() != 3) return false;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(characters[i]); };
  if (byte(0) != 0xEF) return false;
  const unsigned codePoint = 0xF000u | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
  return (byte(1) & 0xC0u) == 0x80u && (byte(2) & 0xC0u) == 0x80u && codePoint >= 0xF704u && codePoint <= 0xF726u;
}

}  // namespace

RecorderModel::RecorderModel(KeyboardShortcuts& shortcuts, NotificationCenter& notifications, Name name,
                             ShortcutText text, MenuKeyEquivalentsLookup menuItems, ChangeHandler onChange)
    : shortcuts_(shortcuts),
      notifications_(notifications),
      name_(std::move(name)),
      shortcutText_(std::move(text)),
      menuItems_(std::move(menuItems)),
      onChange_(std::move(onChange)) {
  refreshText();
  observer_ = notifications_.addObserver(KeyboardShortcuts::kShortcutByNameDidChange,
                                         [this](const Notification& notification) {
                                           const auto it = notification.userInfo.find("name");
                                           if (it == notification.userInfo.end()) return;
                                           const Name* changed = std::any_cast<Name>(&it->second);
                                           if (changed && *changed == name_) refreshText();
                                         });
}

RecorderModel::~RecorderModel() {
  notifications_.removeObserver(observer_);
  // A recorder that goes away while recording must not leave every shortcut switched off.
  if (recording_) shortcuts_.setPaused(false);
}

void RecorderModel::focusGained() {
  recording_ = true;
  shortcuts_.setPaused(true);
}

void RecorderModel::focusLost() {
  if (recording_) endRecording();
}

void RecorderModel::endRecording() {
  recording_ = false;
  shortcuts_.setPaused(false);
}

void RecorderModel::clear() {
  text_.clear();
  shortcuts_.setShortcut(std::nullopt, name_);
  if (onChange_) onChange_(std::nullopt);
}

void RecorderModel::refreshText() {
  const auto shortcut = shortcuts_.getShortcut(name_);
  text_ = shortcut ? shortcutText_.text(*shortcut) : std::string();
}

RecorderResponse RecorderModel::mouseUp(double x, double y, double width, double height) {
  if (!recording_) return {};
  const bool inside = x >= -kClickSlop && x < width + kClickSlop && y >= -kClickSlop && y < height + kClickSlop;
  if (inside) return RecorderResponse{.swallowEvent = true};
  endRecording();
  return RecorderResponse{.swallowEvent = true, .resignFocus = true};
}

RecorderResponse RecorderModel::keyDown(std::int64_t keyCode, std::uint64_t cocoaFlags, const std::string& characters) {
  if (!recording_) return {};
  const std::uint64_t modifiers = significantModifiers(cocoaFlags);

  if (modifiers == 0 && (keyCode == kTabKey || characters == "\t")) {
    endRecording();
    return RecorderResponse{.swallowEvent = false, .resignFocus = true};
  }
  if (modifiers == 0 && keyCode == kEscapeKey) {
    endRecording();
    return RecorderResponse{.swallowEvent = true, .resignFocus = true};
  }
  if (modifiers == 0 && isDeleteKey(keyCode, characters)) {
    clear();
    return RecorderResponse{.swallowEvent = true};
  }
  if ((modifiers & ~cocoa_flags::kShift) == 0 && !isFunctionKey(keyCode, characters)) {
    return RecorderResponse{.swallowEvent = true, .beep = true};
  }

  const Shortcut shortcut = Shortcut::fromEvent(keyCode, cocoaFlags);
  if (const auto title = conflictingMenuItem(shortcut)) {
    return endWithAlert(RecorderAlert{kUsedByMenuItem, {*title}, {}});
  }
  const bool plainF12 = shortcut.carbonKeyCode == kF12Key && shortcut.carbonModifiers == 0;
  if (!plainF12 && isSystemReserved(shortcut)) {
    return endWithAlert(RecorderAlert{kUsedBySystem, {}, kCanBeChanged});
  }
  // The desktop may refuse the hot key (another program holds it): that is a system conflict too,
  // and nothing is stored.
  if (!shortcuts_.setShortcut(shortcut, name_)) {
    return endWithAlert(RecorderAlert{kUsedBySystem, {}, kCanBeChanged});
  }
  text_ = shortcutText_.text(shortcut);
  if (onChange_) onChange_(shortcut);
  endRecording();
  return RecorderResponse{.swallowEvent = true, .resignFocus = true};
}

RecorderResponse RecorderModel::endWithAlert(RecorderAlert alert) {
  endRecording();
  return RecorderResponse{.swallowEvent = true, .resignFocus = true, .alert = std::move(alert)};
}

std::optional<std::string> RecorderModel::conflictingMenuItem(const Shortcut& shortcut) const {
  if (!menuItems_) return std::nullopt;
  const auto character = shortcutText_.keyCharacter(shortcut.carbonKeyCode);
  if (!character) return std::nullopt;
  const std::uint64_t modifiers = shortcut.cocoaModifiers();
  for (const auto& item : menuItems_()) {
    if (item.keyEquivalent == *character && item.modifierMask == modifiers) return item.title;
  }
  return std::nullopt;
}

bool RecorderModel::isSystemReserved(const Shortcut& shortcut) const {
  for (const auto& reserved : shortcuts_.systemReservedShortcuts()) {
    if (reserved == shortcut) return true;
  }
  return false;
}

}  // namespace marbrel
