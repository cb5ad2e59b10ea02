#include "core/config/Configuration.h"

namespace marbrel {

std::string Configuration::stringOr(const char* key, const char* fallback) const {
  return defaults_.stringForKey(key).value_or(fallback);
}

std::int64_t Configuration::historySize() const { return defaults_.integerForKey(Keys::historySize); }
void Configuration::setHistorySize(std::int64_t value) { defaults_.setInteger(Keys::historySize, value); }

std::int64_t Configuration::maxItemSize() const { return defaults_.integerForKey(Keys::maxItemSize); }
void Configuration::setMaxItemSize(std::int64_t value) { defaults_.setInteger(Keys::maxItemSize, value); }

std::string Configuration::sortBy() const { return stringOr(Keys::sortBy, Values::sortBy); }
void Configuration::setSortBy(const std::string& value) { defaults_.setString(Keys::sortBy, value); }

std::string Configuration::pinTo() const { return stringOr(Keys::pinTo, Values::pinTo); }
void Configuration::setPinTo(const std::string& value) { defaults_.setString(Keys::pinTo, value); }

std::string Configuration::popupPosition() const {
  return stringOr(Keys::popupPosition, Values::popupPosition);
}
void Configuration::setPopupPosition(const std::string& value) {
  defaults_.setString(Keys::popupPosition, value);
}

bool Configuration::pasteByDefault() const { return defaults_.boolForKey(Keys::pasteByDefault); }
void Configuration::setPasteByDefault(bool value) { defaults_.setBool(Keys::pasteByDefault, value); }

bool Configuration::fuzzySearch() const {
  if (arguments_.uiTesting()) return false;
  return defaults_.boolForKey(Keys::fuzzySearch);
}
void Configuration::setFuzzySearch(bool value) { defaults_.setBool(Keys::fuzzySearch, value); }

bool Configuration::hideTitle() const { return defaults_.boolForKey(Keys::hideTitle); }
void Configuration::setHideTitle(bool value) { defaults_.setBool(Keys::hideTitle, value); }

bool Configuration::hideSearch() const { return defaults_.boolForKey(Keys::hideSearch); }
void Configuration::setHideSearch(bool value) { defaults_.setBool(Keys::hideSearch, value); }

bool Configuration::hideFooter() const { return defaults_.boolForKey(Keys::hideFooter); }
void Configuration::setHideFooter(bool value) { defaults_.setBool(Keys::hideFooter, value); }

std::string Configuration::showInStatusBarKey() const {
  return arguments_.uiTesting() ? Keys::showInStatusBarUITests : Keys::showInStatusBar;
}
bool Configuration::showInStatusBar() const {
  if (arguments_.uiTesting()) return true;
  return defaults_.boolForKey(Keys::showInStatusBar);
}
void Configuration::setShowInStatusBar(bool value) { defaults_.setBool(showInStatusBarKey(), value); }

std::int64_t Configuration::imageMaxHeight() const {
  return defaults_.integerForKey(Keys::imageMaxHeight);
}
void Configuration::setImageMaxHeight(std::int64_t value) {
  defaults_.setInteger(Keys::imageMaxHeight, value);
}

std::int64_t Configuration::maxMenuItems() const { return defaults_.integerForKey(Keys::maxMenuItems); }
void Configuration::setMaxMenuItems(std::int64_t value) { defaults_.setInteger(Keys::maxMenuItems, value); }

bool Configuration::ignoreEvents() const { return defaults_.boolForKey(Keys::ignoreEvents); }
void Configuration::setIgnoreEvents(bool value) { defaults_.setBool(Keys::ignoreEvents, value); }

std::set<std::string> Configuration::ignoredPasteboardTypes() const {
  const auto array = defaults_.arrayForKey(Keys::ignoredPasteboardTypes);
  if (!array) return {};
  std::set<std::string> types;
  for (const auto& element : *array) {
    if (!element.is_string()) return {};  // one stray element rejects the whole value
    types.insert(element.get<std::string>());
  }
  return types;
}
void Configuration::setIgnoredPasteboardTypes(const std::set<std::string>& value) {
  defaults_.set(Keys::ignoredPasteboardTypes, Defaults::Value(value));
}

bool Configuration::avoidTakingFocus() const { return defaults_.boolForKey(Keys::avoidTakingFocus); }
void Configuration::setAvoidTakingFocus(bool value) { defaults_.setBool(Keys::avoidTakingFocus, value); }

PasteKey Configuration::pasteKeyFor(const std::vector<std::string>& ids) const {
  return paste_keys::forApplication(defaults_.objectForKey(Keys::pasteKeys), ids);
}

}  // namespace marbrel
