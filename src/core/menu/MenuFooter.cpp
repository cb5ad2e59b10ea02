#include "core/menu/MenuFooter.h"

#include "core/config/Configuration.h"
#include "core/platform/Strings.h"

namespace marbrel {

namespace {

// "⌫", the erase-to-the-left key.
constexpr const char* kDeleteKey = "\u232B";

struct FooterRow {
  MenuFooter footer;
  const char* titleKey;
  const char* keyEquivalent;
  std::uint64_t modifiers;
  const char* toolTipKey;
};

constexpr std::array<FooterRow, 6> kRows{{
    {MenuFooter::separator, nullptr, "", 0, nullptr},
    {MenuFooter::clear, "clear", kDeleteKey, modifier_flags::kCommand | modifier_flags::kOption,
     "clear_tooltip"},
    {MenuFooter::clearAll, "clear_all", kDeleteKey,
     modifier_flags::kCommand | modifier_flags::kOption | modifier_flags::kShift, "clear_all_tooltip"},
    {MenuFooter::preferences, "preferences", ",", modifier_flags::kCommand, nullptr},
    {MenuFooter::about, "about", "", 0, "about_tooltip"},
    {MenuFooter::quit, "quit", "q", modifier_flags::kCommand, "quit_tooltip"},
}};

}  // namespace

const std::array<MenuFooter, 6>& allMenuFooterCases() {
  static const std::array<MenuFooter, 6> cases{MenuFooter::separator, MenuFooter::clear,
                                               MenuFooter::clearAll,  MenuFooter::preferences,
                                               MenuFooter::about,     MenuFooter::quit};
  return cases;
}

std::optional<MenuFooter> menuFooterFromTag(int tag) {
  for (const MenuFooter footer : allMenuFooterCases()) {
    if (menuFooterTag(footer) == tag) return footer;
  }
  return std::nullopt;
}

MenuItemPtr makeMenuFooterItem(MenuFooter footer, const Configuration& configuration,
                               const Strings& strings) {
  const FooterRow* row = nullptr;
  for (const auto& candidate : kRows) {
    if (candidate.footer == footer) row = &candidate;
  }
  if (!row) return nullptr;
  const bool hideFooter = configuration.hideFooter();
  MenuItemPtr item = footer == MenuFooter::separator ? MenuItem::makeSeparator()
                                                     : std::make_shared<MenuItem>();
  item->setAlternate(footer == MenuFooter::clearAll && !hideFooter);
  item->setHidden(hideFooter);
  item->setKeyEquivalent(row->keyEquivalent);
  item->setKeyEquivalentModifierMask(row->modifiers);
  item->setTag(menuFooterTag(footer));
  item->setTitle(row->titleKey ? strings.localized(row->titleKey) : std::string());
  item->setToolTip(row->toolTipKey ? strings.localized(row->toolTipKey) : std::string());
  return item;
}

}  // namespace marbrel
