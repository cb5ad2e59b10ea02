#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/MenuKeyEquivalent.h"
#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"
#include "core/shortcuts/ShortcutText.h"

namespace marbrel {

class KeyboardShortcuts;

// A warning the recorder asks its view to show, by localisation keys.
struct RecorderAlert {
  std::string messageKey;
  // Values for the placeholders of the message text, in order.
  std::vector<std::string> messageArguments;
  // The informative text's key; empty when there is none.
  std::string informativeKey;
};

// What the view must do with one event while recording.
struct RecorderResponse {
  // The event is used up; otherwise it goes on as usual (Tab moves the focus on).
  bool swallowEvent = false;
  // Recording has ended: the field must give up the keyboard focus.
  bool resignFocus = false;
  bool beep = false;
  // Show it (as a sheet on the field's window when there is one), then give the field the focus again.
  std::optional<RecorderAlert> alert = std::nullopt;
};

// The rules of the shortcut recorder, free of any toolkit: the field that records, replaces or
// clears the shortcut of one name. The view feeds it focus changes, clicks and key presses and shows
// what it says: the placeholder, the text, the cancel button, beeps and alerts.
class RecorderModel {
 public:
  using ChangeHandler = std::function<void(const std::optional<Shortcut>&)>;

  static constexpr const char* kRecordPlaceholder = "record_shortcut";
  static constexpr const char* kPressPlaceholder = "press_shortcut";
  static constexpr const char* kUsedByMenuItem = "keyboard_shortcut_used_by_menu_item";
  static constexpr const char* kUsedBySystem = "keyboard_shortcut_used_by_system";
  static constexpr const char* kCanBeChanged = "keyboard_shortcuts_can_be_changed";
  // The field's bounds grow by this much on every side before a click counts as outside.
  static constexpr double kClickSlop = 3.0;

  // `shortcuts` and `notifications` are not owned and outlive this object. `onChange`, when given,
  // receives every shortcut the user records or clears.
  RecorderModel(KeyboardShortcuts& shortcuts, NotificationCenter& notifications, Name name,
                ShortcutText text, MenuKeyEquivalentsLookup menuItems, ChangeHandler onChange = {});
  ~RecorderModel();
  RecorderModel(const RecorderModel&) = delete;
  RecorderModel& operator=(const RecorderModel&) = delete;

  const Name& shortcutName() const { return name_; }
  bool isRecording() const { return recording_; }
  // The placeholder's localisation key.
  const char* placeholderKey() const { return recording_ ? kPressPlaceholder : kRecordPlaceholder; }
  // The text form of the stored shortcut, or empty.
  const std::string& text() const { return text_; }
  bool isCancelButtonVisible() const { return !text_.empty(); }
  bool isInsertionPointVisible() const { return !recording_; }

  // The field became first responder: recording starts and registered shortcuts stop firing.
  void focusGained();
  // The field gave up first responder: recording ends.
  void focusLost();
  // The cancel button was clicked (the text became empty): the name's shortcut is cleared.
  void clear();

  // A key press; `cocoaFlags` are the event's modifier flags, `characters` its text (UTF-8).
  RecorderResponse keyDown(std::int64_t keyCode, std::uint64_t cocoaFlags, const std::string& characters);
  // A left or right mouse button released at (x, y) in the field's coordinates; the field's bounds
  // are (0, 0, width, height).
  RecorderResponse mouseUp(double x, double y, double width, double height);

 private:
  void refreshText();
  void endRecording();
  RecorderResponse endWithAlert(RecorderAlert alert);
  std::optional<std::string> conflictingMenuItem(const Shortcut& shortcut) const;
  bool isSystemReserved(const Shortcut& shortcut) const;

  KeyboardShortcuts& shortcuts_;
  NotificationCenter& notifications_;
  Name name_;
  ShortcutText shortcutText_;
  MenuKeyEquivalentsLookup menuItems_;
  ChangeHandler onChange_;
  NotificationCenter::ObserverId observer_ = 0;
  std::string text_;
  bool recording_ = false;
};

}  // namespace marbrel
