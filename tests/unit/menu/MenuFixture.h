#pragma once

#include <gtest/gtest.h>

#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuFooter.h"
#include "support/CoreFakes.h"

namespace marbrel::testing {

using Texts = std::vector<std::string>;

// A history menu over an in-memory store and the shared fakes, laid out as the program lays it out: the header item, the history rows, the six footer items.
class MenuFixture : public ::testing::Test, public CoreFakes {
 protected:
  MenuFixture() {
    menu->addItem(header);
    header->setEnabled(false);
    addFooter();
  }

  // A saved entry, copied one minute after the previous one.
  HistoryItemPtr addEntry(std::vector<NewContent> contents) {
    queue.advance(60);
    HistoryItemPtr entry = store->insertItem(std::move(contents));
    store->saveContext();
    return entry;
  }
  HistoryItemPtr addText(const std::string& text) { return addEntry({{std::string("text/plain"), text}}); }

  // The shown history rows, top first: the title, with ' for an alternate.
  Texts shownRows(bool primariesOnly = false) const { return testing::shownRows(*menu, primariesOnly); }
  Texts shownTitles() const { return shownRows(true); }
  // The key equivalents of the shown primaries, top first.
  Texts shownKeys() const { return testing::shownKeys(*menu); }
  HistoryMenuItemPtr highlightedRow() const { return std::dynamic_pointer_cast<HistoryMenuItem>(menu->highlightedItem()); }
  HistoryMenuItemPtr row(const std::string& title, bool alternate = false) const {
    for (const auto& item : menu->items()) {
      const auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
      if (row && row->title() == title && row->isAlternate() == alternate) return row;
    }
    return nullptr;
  }
  MenuItemPtr footer(MenuFooter which) const { return menu->itemWithTag(menuFooterTag(which)); }
  // Builds the footer items anew for the settings now, as the program does when "hideFooter" changes.
  void rebuildFooter() {
    menu->removeItemsIf([](const MenuItem& item) { return menuFooterFromTag(item.tag()).has_value(); });
    addFooter();
  }
  void addFooter() {
    for (const MenuFooter footer : allMenuFooterCases()) menu->addItem(makeMenuFooterItem(footer, configuration, strings));
  }

  std::unique_ptr<HistoryStore> store = HistoryStore::open("", queue, true, log);
  std::unique_ptr<History> history = std::make_unique<History>(*store, configuration);
  std::unique_ptr<Clipboard> clipboard =
      std::make_unique<Clipboard>(pasteboard, keys, queue, *store, configuration);
  std::unique_ptr<Menu> menu =
      std::make_unique<Menu>(*history, *clipboard, configuration, images, strings, std::mt19937(7));
  MenuItemPtr header = std::make_shared<MenuItem>("Marbrel");
};

}  // namespace marbrel::testing
