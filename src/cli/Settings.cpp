#include "cli/Settings.h"

#include "core/app/PreferenceControls.h"
#include "core/config/Configuration.h"

namespace marbrel::cli {

namespace {

// The values the preference pane's pop-up offers: its tags from 0 up, as long as a tag's value
// shows that same tag again (past the last item, a tag writes the fallback, whose tag differs).
template <typename ValueForTag, typename TagForValue>
std::vector<std::string> popUpValues(ValueForTag valueForTag, TagForValue tagForValue) {
  std::vector<std::string> values;
  for (int tag = 0; tagForValue(valueForTag(tag)) == tag; ++tag) values.push_back(valueForTag(tag));
  return values;
}

std::vector<Setting> makeSettings() {
  using Keys = Configuration::Keys;
  using Values = Configuration::Values;
  namespace tags = preference_tags;
  return {
      {Keys::historySize, "int", 200, {}, "how many unpinned entries the history keeps; the oldest go first"},
      {Keys::sortBy, "string", Values::sortBy, popUpValues(tags::sortByForTag, tags::sortByTag),
       "the menu's order, the most recent or most copied entry at the top: by the last copy, the first "
       "copy or the number of copies"},
      {Keys::pinTo, "string", Values::pinTo, popUpValues(tags::pinToForTag, tags::pinToTag),
       "where pinned entries go in the menu"},
      {Keys::popupPosition, "string", Values::popupPosition,
       popUpValues(tags::popupPositionForTag, tags::popupPositionTag),
       "where the menu opens: at the mouse pointer, in the middle of the screen, or under the tray icon"},
      {Keys::pasteByDefault, "bool", true, {},
       "Return pastes the chosen entry into the program in front and Alt+Return only copies it; false "
       "swaps the two"},
      {Keys::fuzzySearch, "bool", false, {}, "the search matches approximately instead of exactly"},
      {Keys::hideTitle, "bool", true, {}, "hides the title at the top of the menu"},
      {Keys::hideSearch, "bool", false, {}, "hides the search field at the top of the menu"},
      {Keys::hideFooter, "bool", false, {}, "hides the footer (clear, clear all, preferences, about, quit)"},
      {Keys::showInStatusBar, "bool", true, {}, "shows the icon in the tray"},
      {Keys::imageMaxHeight, "int", 40, {}, "the height of image thumbnails in the menu, in pixels"},
      {Keys::maxMenuItems, "int", 0, {}, "how many entries the menu shows; 0 shows them all"},
      {Keys::ignoreEvents, "bool", false, {}, "pauses capturing: while true, copies are not recorded"},
      {Keys::ignoredPasteboardTypes, "array", nlohmann::json::array(), {},
       "further clipboard formats (MIME types) whose copies are never recorded"},
      {Keys::pasteKeys, "dict", nlohmann::json::object(), {},
       "the key combination that pastes in a program, by its application id or window class (matched "
       "without case), such as \"st-256color\": \"Shift+Insert\"; added to the built-in table of terminals "
       "(Ctrl+Shift+V; Shift+Insert, with the entry put on the primary selection, for xterm and urxvt); "
       "programs neither names paste with Ctrl+V"},
      {Keys::maxItemSize, "int", 64, {},
       "the largest copy recorded, in MB of 1,048,576 bytes, all its formats together; a larger copy is "
       "left out and reported on standard error; 0 sets no limit"},
  };
}

}  // namespace

const std::vector<Setting>& settings() {
  static const std::vector<Setting> table = makeSettings();
  return table;
}

}  // namespace marbrel::cli
