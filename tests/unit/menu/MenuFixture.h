#pragma once

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuFooter.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeStrings.h"

namespace marbrel::testing {

// A history menu over an in-memory store, with fake clipboard, clock, images and strings, laid out
// as the program lays it out: the header item, the history rows, the six footer items.
class MenuFixture : public ::testing::Test {
 protected:
  MenuFixture() {
    store = HistoryStore::open("", queue, true, log);
    history = std::make_unique<History>(*store, configuration);
    clipboard = std::make_unique<Clipboard>(pasteboard, keys, queue, *store, configuration);
    menu = std::make_unique<Menu>(*history, *clipboard, configuration, images, strings,
                                  std::mt19937(7));
    header = std::make_shared<MenuItem>("Marbrel");
    header->setEnabled(false);
    menu->addItem(header);
    for (const MenuFooter footer : allMenuFooterCases()) {
      menu->addItem(makeMenuFooterItem(footer, configuration, strings));
    }
  }

  // A saved text entry, copied one minute after the previous one.
  HistoryItemPtr addText(const std::string& text) {
    return addEntry({{std::string("text/plain"), text}});
  }
  HistoryItemPtr addEntry(std::vector<NewContent> contents) {
    queue.advance(60);
    HistoryItemPtr entry = store->insertItem(std::move(contents));
    store->saveContext();
    return entry;
  }

  // The history rows in the menu, as "title" for primaries and "title'" for alternates.
  std::vector<std::string> shownRows() const {
    std::vector<std::string> rows;
    for (const auto& item : menu->items()) {
      if (auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item)) {
        rows.push_back(row->title() + (row->isAlternate() ? "'" : ""));
      }
    }
    return rows;
  }
  // The primaries' titles, top first.
  std::vector<std::string> shownTitles() const {
    std::vector<std::string> titles;
    for (const auto& row : shownRows()) {
      if (row.back() != '\'') titles.push_back(row);
    }
    return titles;
  }
  // The key equivalents of the shown primaries, top first.
  std::vector<std::string> shownKeys() const {
    std::vector<std::string> keys;
    for (const auto& item : menu->items()) {
      auto row = std::dynamic_pointer_cast<HistoryMenuItem>(item);
      if (row && !row->isAlternate()) keys.push_back(row->keyEquivalent());
    }
    return keys;
  }
  HistoryMenuItemPtr highlightedRow() const {
    return std::dynamic_pointer_cast<HistoryMenuItem>(menu->highlightedItem());
  }
  // The shown row for `title`, primary or alternate.
  HistoryMenuItemPtr row(const std::string& title, bool alternate = false) const {
    for (const auto& item : menu->items()) {
      auto candidate = std::dynamic_pointer_cast<HistoryMenuItem>(item);
      if (candidate && candidate->title() == title && candidate->isAlternate() == alternate) {
        return candidate;
      }
    }
    return nullptr;
  }

  std::ostringstream log;
  FakeMainQueue queue;
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  FakeImageDecoder images;
  FakeStrings strings;
  std::unique_ptr<HistoryStore> store;
  std::unique_ptr<History> history;
  std::unique_ptr<Clipboard> clipboard;
  std::unique_ptr<Menu> menu;
  MenuItemPtr header;
};

}  // namespace marbrel::testing
