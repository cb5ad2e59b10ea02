#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/config/Defaults.h"
#include "core/config/PasteKeys.h"
#include "core/config/ProcessArguments.h"

namespace marbrel {

// The program's settings by name: one typed accessor pair per key, with the fallbacks and the
// "ui-testing" rules. Nothing is cached; every read goes to the defaults.
class Configuration {
 public:
  struct Keys {
    static constexpr const char* historySize = "historySize";
    static constexpr const char* maxItemSize = "maxItemSize";
    static constexpr const char* sortBy = "sortBy";
    static constexpr const char* pinTo = "pinTo";
    static constexpr const char* popupPosition = "popupPosition";
    static constexpr const char* pasteByDefault = "pasteByDefault";
    static constexpr const char* fuzzySearch = "fuzzySearch";
    static constexpr const char* hideTitle = "hideTitle";
    static constexpr const char* hideSearch = "hideSearch";
    static constexpr const char* hideFooter = "hideFooter";
    static constexpr const char* showInStatusBar = "showInStatusBar";
    static constexpr const char* showInStatusBarUITests = "showInStatusBarUITests";
    static constexpr const char* imageMaxHeight = "imageMaxHeight";
    static constexpr const char* maxMenuItems = "maxMenuItems";
    static constexpr const char* ignoreEvents = "ignoreEvents";
    static constexpr const char* ignoredPasteboardTypes = "ignoredPasteboardTypes";
    static constexpr const char* avoidTakingFocus = "avoidTakingFocus";
    static constexpr const char* pasteKeys = "pasteKeys";
  };
  struct Values {
    static constexpr const char* sortBy = "lastCopiedAt";
    static constexpr const char* pinTo = "bottom";
    static constexpr const char* popupPosition = "center";
  };

  // Neither is owned; both outlive this object.
  Configuration(Defaults& defaults, const ProcessArguments& arguments)
      : defaults_(defaults), arguments_(arguments) {}

  Defaults& defaults() const { return defaults_; }
  const ProcessArguments& arguments() const { return arguments_; }

  std::int64_t historySize() const;
  void setHistorySize(std::int64_t value);
  // The largest copy recorded, in MiB; 0 or less: no limit.
  std::int64_t maxItemSize() const;
  void setMaxItemSize(std::int64_t value);
  std::string sortBy() const;
  void setSortBy(const std::string& value);
  std::string pinTo() const;
  void setPinTo(const std::string& value);
  std::string popupPosition() const;
  void setPopupPosition(const std::string& value);
  bool pasteByDefault() const;
  void setPasteByDefault(bool value);
  bool fuzzySearch() const;
  void setFuzzySearch(bool value);
  bool hideTitle() const;
  void setHideTitle(bool value);
  bool hideSearch() const;
  void setHideSearch(bool value);
  bool hideFooter() const;
  void setHideFooter(bool value);
  bool showInStatusBar() const;
  void setShowInStatusBar(bool value);
  // "showInStatusBarUITests" under "ui-testing", else "showInStatusBar".
  std::string showInStatusBarKey() const;
  std::int64_t imageMaxHeight() const;
  void setImageMaxHeight(std::int64_t value);
  std::int64_t maxMenuItems() const;
  void setMaxMenuItems(std::int64_t value);
  bool ignoreEvents() const;
  void setIgnoreEvents(bool value);
  // Empty when nothing is stored or when any element is not a string.
  std::set<std::string> ignoredPasteboardTypes() const;
  void setIgnoredPasteboardTypes(const std::set<std::string>& value);
  bool avoidTakingFocus() const;
  void setAvoidTakingFocus(bool value);
  // The combination that pastes in the program named `ids` (see paste_keys::forApplication).
  PasteKey pasteKeyFor(const std::vector<std::string>& ids) const;

 private:
  std::string stringOr(const char* key, const char* fallback) const;

  Defaults& defaults_;
  const ProcessArguments& arguments_;
};

}  // namespace marbrel
