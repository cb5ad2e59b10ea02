#include "MenuFixture.h"

namespace marbrel::testing {
namespace {

class HistoryMenuItemTest : public MenuFixture {
 protected:
  HistoryMenuItemPtr rowFor(std::vector<NewContent> contents) {
    selected.clear();
    return HistoryMenuItem::make(addEntry(std::move(contents)),
                                 [this](HistoryMenuItem& item) { selected.push_back(item.title()); },
                                 configuration, images, strings);
  }
  HistoryMenuItemPtr textRow(const std::string& text) { return rowFor({{std::string("text/plain"), text}}); }

  std::vector<std::string> selected;
};

TEST_F(HistoryMenuItemTest, TextRowShowsTrimmedShortTitleAndFullTextInTooltip) {
  strings.set("history_item_tooltip", "Press Option to paste");
  const std::string text = "\n  " + std::string(51, 'w') + "  \n";
  const auto row = textRow(text);
  EXPECT_EQ(row->title(), std::string(50, 'w') + "...");
  EXPECT_EQ(row->value(), text);
  EXPECT_EQ(row->toolTip(), text + "\n \n\nPress Option to paste");
  EXPECT_TRUE(std::holds_alternative<NoImage>(row->image()));
  EXPECT_FALSE(row->isPinned());
  EXPECT_EQ(row->keyEquivalent(), "");
  EXPECT_EQ(std::get<NamedImage>(row->onStateImage()).name, "PinImage");

  const auto exact = textRow(std::string(50, 'e'));
  EXPECT_EQ(exact->title(), std::string(50, 'e'));
}

TEST_F(HistoryMenuItemTest, TooltipTakesAtMostFiveThousandCharacters) {
  const auto row = textRow(std::string(6000, 'x'));
  EXPECT_EQ(row->toolTip(), std::string(5000, 'x') + "...\n \n\nhistory_item_tooltip");
}

TEST_F(HistoryMenuItemTest, ColourCodeTitlesShowASwatch) {
  const auto red = textRow("  #FF0000\n");
  ASSERT_TRUE(std::holds_alternative<SwatchImage>(red->image()));
  const auto swatch = std::get<SwatchImage>(red->image());
  EXPECT_EQ(swatch.color, (Color{1, 0, 0, 1}));
  EXPECT_EQ(swatch.width, 10);
  EXPECT_EQ(swatch.height, 10);
  EXPECT_TRUE(std::holds_alternative<SwatchImage>(textRow("abc")->image()));
  EXPECT_TRUE(std::holds_alternative<SwatchImage>(textRow("1234")->image()));
  EXPECT_TRUE(std::holds_alternative<NoImage>(textRow("#12345")->image()));
  EXPECT_TRUE(std::holds_alternative<NoImage>(textRow("#1234567")->image()));
}

TEST_F(HistoryMenuItemTest, FileRowShowsTheFileNameButSearchesTheWholeUrl) {
  const auto row = rowFor({{std::string("text/uri-list"), std::string("file:///home/me/My%20File.txt\r\n")},
                           {std::string("text/plain"), std::string("/home/me/My File.txt")}});
  EXPECT_EQ(row->title(), "My File.txt");
  EXPECT_EQ(row->value(), "file:///home/me/My%20File.txt\r\n");
  EXPECT_EQ(row->presentation().kind(), EntryPresentation::Kind::file);
}

TEST_F(HistoryMenuItemTest, ImageRowShowsAPreviewWithinTheLimits) {
  const auto wide = rowFor({{std::string("text/plain"), std::string("caption")},
                            {std::string("image/png"), FakeImageDecoder::encode(680, 100)}});
  EXPECT_EQ(wide->title(), "");
  EXPECT_EQ(wide->value(), "") << "image rows give search nothing";
  EXPECT_EQ(wide->toolTip(), "history_item_tooltip");
  const auto preview = std::get<ThumbnailImage>(wide->image());
  EXPECT_DOUBLE_EQ(preview.width, 272);
  EXPECT_DOUBLE_EQ(preview.height, 40);
  ASSERT_TRUE(preview.content);
  EXPECT_EQ(preview.content->type(), "image/png");

  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({680, 100}, 1000).width, 340);
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({680, 100}, 1000).height, 50);
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({20, 10}, 40).width, 20) << "never enlarged";
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({100, 400}, 40).width, 10);
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({100, 400}, -5).height, 0);

  configuration.setImageMaxHeight(100);
  const auto tiff = rowFor({{std::string("image/tiff"), FakeImageDecoder::encode(100, 400)}});
  EXPECT_DOUBLE_EQ(std::get<ThumbnailImage>(tiff->image()).width, 25);
}

TEST_F(HistoryMenuItemTest, UnreadableContentsGiveAnEmptyRowThatCanStillBeChosen) {
  const std::vector<std::vector<NewContent>> unreadable = {
      {{std::string("image/png"), std::string("not an image")}, {std::string("text/plain"), std::string("text")}},
      {{std::string("image/png"), std::nullopt}},
      {{std::string("text/plain"), std::string("\xFF\xFE broken")}},
      {{std::string("text/html"), std::string("<p>only html</p>")}},
      {{std::string("text/plain"), std::nullopt}},
  };
  for (const auto& contents : unreadable) {
    const auto row = rowFor(contents);
    EXPECT_EQ(row->title(), "");
    EXPECT_EQ(row->toolTip(), "");
    EXPECT_TRUE(std::holds_alternative<NoImage>(row->image()));
    row->performAction();
    EXPECT_EQ(selected.size(), 1u);
  }
}

TEST_F(HistoryMenuItemTest, PinnedEntryShowsItsLetterAndTheEmptyPinShowsOnlyTheState) {
  const auto entry = addText("pinned");
  entry->setPin("k");
  const auto row = HistoryMenuItem::make(entry, nullptr, configuration, images, strings);
  EXPECT_TRUE(row->isPinned());
  EXPECT_EQ(row->keyEquivalent(), "k");
  EXPECT_EQ(row->state(), MenuItem::State::on);
  entry->setPin("");
  const auto empty = HistoryMenuItem::make(entry, nullptr, configuration, images, strings);
  EXPECT_TRUE(empty->isPinned());
  EXPECT_EQ(empty->keyEquivalent(), "");
  EXPECT_EQ(empty->state(), MenuItem::State::on);
}

TEST_F(HistoryMenuItemTest, ChoosingRunsEveryCallbackInOrder) {
  const auto row = textRow("hello");
  row->addOnSelected([this](HistoryMenuItem&) { selected.push_back("second"); });
  row->performAction();
  EXPECT_EQ(selected, (std::vector<std::string>{"hello", "second"}));
}

TEST_F(HistoryMenuItemTest, RebuildsReadEachEntryOnce) {
  const auto image = addEntry({{std::string("image/png"), FakeImageDecoder::encode(10, 10)}});
  addText("text");
  const auto previewWidth = [&] {
    for (const auto& row : menu->historyItems()) {
      if (row->item() == image) return std::get<ThumbnailImage>(row->image()).width;
    }
    return -1.0;
  };
  menu->menuWillOpen();
  menu->menuWillOpen();
  menu->togglePin();
  EXPECT_EQ(images.calls(), 1u);
  EXPECT_DOUBLE_EQ(previewWidth(), 10);
  configuration.setImageMaxHeight(5);
  menu->menuWillOpen();
  EXPECT_DOUBLE_EQ(previewWidth(), 5) << "the preview size follows the setting";
}

}  // namespace
}  // namespace marbrel::testing
