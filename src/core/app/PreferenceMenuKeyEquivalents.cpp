#include "core/app/PreferenceMenuKeyEquivalents.h"

#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuModel.h"

namespace marbrel {

std::vector<MenuKeyEquivalent> preferenceMenuKeyEquivalents(const MenuModel& menu) {
  std::vector<MenuKeyEquivalent> equivalents;
  for (const auto& item : menu.items()) {
    if (!item || item->keyEquivalent().empty()) continue;
    if (dynamic_cast<const HistoryMenuItem*>(item.get())) continue;
    equivalents.push_back({item->keyEquivalent(), item->keyEquivalentModifierMask(), item->title()});
  }
  return equivalents;
}

}  // namespace marbrel
