#include "core/app/PreferenceMenuKeyEquivalents.h"

#include "core/menu/HistoryMenuItem.h"
#include "core/menu/MenuModel.h"

namespace marbrel {

std::vector<MenuKeyEquivalent> preferenceMenuKeyEquivalents(const MenuModel& menu) {
  std::vector<MenuKeyEquivalent> equivalents;
  // The run of history rows is left out without making its rows.
  const MenuModel::PairRun run = menu.pairRun();
  for (std::size_t index = 0; index < menu.size(); ++index) {
    if (index == run.at && run.pairs > 0) index += 2 * run.pairs;
    if (index >= menu.size()) break;
    const MenuItemPtr& item = menu.itemAt(index);
    if (!item || item->keyEquivalent().empty()) continue;
    if (dynamic_cast<const HistoryMenuItem*>(item.get())) continue;
    equivalents.push_back({item->keyEquivalent(), item->keyEquivalentModifierMask(), item->title()});
  }
  return equivalents;
}

}  // namespace marbrel
