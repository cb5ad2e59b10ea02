#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "fakes/FakeQueryFieldEditor.h"
#include "MenuFixture.h"

namespace marbrel::testing {


// The history menu of MenuFixture with a real search header in its first row, and
// footer items whose actions count their runs by tag.
class SearchHeaderFixture : public MenuFixture {
 protected:
  SearchHeaderFixture() {
    defaults.registerDefault("avoidTakingFocus", true);
    menu->removeItem(*header);
    headerItem = makeHeaderItem();
    menu->insertItem(headerItem, 0);
    countFooterRuns();
  }

  void countFooterRuns() {
    for (const auto& item : menu->items()) {
      if (item->tag() >= 100) item->setAction([this](MenuItem& sender) { ++footerRuns[sender.tag()]; });
    }
  }
  void hideFooter() {
    configuration.setHideFooter(true);
    rebuildFooter();
    countFooterRuns();
  }

  std::shared_ptr<SearchHeaderItem> makeHeaderItem() {
    SearchHeader::Services services{configuration, queue, presenter, *sauce,
                                    [this] { return popupShortcut; }};
    auto made = std::make_unique<SearchHeader>(300, 29, std::move(services));
    made->setTitle("Marbrel");
    return std::make_shared<SearchHeaderItem>("Marbrel", std::move(made));
  }

  SearchHeader& searchHeader() const { return headerItem->header(); }

  // The menu opens and is drawn, as the shell does it.
  void open() {
    menu->menuWillOpen();
    searchHeader().movedToWindow(true);
    searchHeader().didDraw();
  }

  bool press(std::uint16_t code, std::uint64_t modifiers = 0,
             std::optional<std::string> characters = std::nullopt) {
    return searchHeader().onKeyDown(code, modifiers, characters);
  }
  // Types one lower-case letter or a space with no modifiers.
  bool type(char letter) {
    static const std::map<char, std::uint16_t> codes{
        {'a', 0}, {'s', 1}, {'d', 2}, {'f', 3}, {'h', 4}, {'g', 5}, {'z', 6}, {'x', 7}, {'c', 8},
        {'v', 9}, {'b', 11}, {'q', 12}, {'w', 13}, {'e', 14}, {'r', 15}, {'y', 16}, {'t', 17},
        {'o', 31}, {'u', 32}, {'i', 34}, {'p', 35}, {'l', 37}, {'j', 38}, {'k', 40}, {'n', 45},
        {'m', 46}, {' ', 49}};
    return press(codes.at(letter), 0, std::string(1, letter));
  }
  // Sets the query as if the user had typed it, and lets the filter run.
  void enterQuery(const std::string& query) {
    searchHeader().setQuery(query, true);
    queue.advance(1);
  }

  FakeQueryFieldEditor editor;
  std::optional<SearchHeader::PopupShortcut> popupShortcut =
      SearchHeader::PopupShortcut{keycode::v, flags::shift | flags::command};
  std::shared_ptr<SearchHeaderItem> headerItem;
  std::map<int, int> footerRuns;
};

}  // namespace marbrel::testing
