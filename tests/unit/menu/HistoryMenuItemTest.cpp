#include "MenuFixture.h"

namespace marbrel::testing {
namespace {

class HistoryMenuItemTest : public MenuFixture {
 protected:
  HistoryMenuItemPtr rowFor(std::vector<NewContent> contents) {
    return HistoryMenuItem::make(addEntry(std::move(contents)),
                                 [this](HistoryMenuItem& item) { chosen.push_back(item.title()); },
                                 configuration, images, strings);
  }
  HistoryMenuItemPtr textRow(const std::string& text) { return rowFor({{std::string("text/plain"), text}}); }
  static bool noImage(const HistoryMenuItemPtr& row) { return std::holds_alternative<NoImage>(row->image()); }

  Texts chosen;
};

TEST_F(HistoryMenuItemTest, TextAndFileRowsShowAShortTitleAndTheWholeTextInTheTooltipAndSearch) {
  strings.set("history_item_tooltip", "Option pastes");
  const std::string text = "\n  " + std::string(51, 'w') + "  \n";
  const auto row = textRow(text);
  EXPECT_EQ(row->title(), std::string(50, 'w') + "...");
  EXPECT_EQ(row->value(), text);
  EXPECT_EQ(row->toolTip(), text + "\n \n\nOption pastes");
  EXPECT_TRUE(noImage(row));
  EXPECT_EQ(std::get<NamedImage>(row->onStateImage()).name, "PinImage");
  EXPECT_EQ(textRow(std::string(6000, 'x'))->toolTip(), std::string(5000, 'x') + "...\n \n\nOption pastes");

  strings.set("history_item_file_list", "{name} und {count} weitere");
  const std::string list = "file:///tmp/a.txt\r\nfile:///tmp/b.txt\r\nfile:///tmp/c.txt\r\n";
  const auto files = rowFor({{std::string("text/uri-list"), list}, {std::string("text/plain"), std::string("/tmp/a.txt")}});
  EXPECT_EQ(files->title(), "a.txt und 2 weitere");
  EXPECT_EQ(files->value(), list) << "what search sees";
  const auto swatch = std::get<SwatchImage>(textRow("  #FF0000\n")->image());
  EXPECT_EQ(swatch.color, (Color{1, 0, 0, 1}));
  EXPECT_EQ(std::make_pair(swatch.width, swatch.height), std::make_pair(10.0, 10.0));
  EXPECT_TRUE(noImage(textRow("#12345")));
}

TEST_F(HistoryMenuItemTest, ImageRowShowsAPreviewWithinTheLimits) {
  const auto wide = rowFor({{std::string("text/plain"), std::string("caption")},
                            {std::string("image/png"), FakeImageDecoder::encode(680, 100)}});
  EXPECT_EQ(wide->title() + wide->value(), "") << "search sees nothing of an image";
  EXPECT_EQ(wide->toolTip(), "history_item_tooltip");
  const auto preview = std::get<ThumbnailImage>(wide->image());
  EXPECT_DOUBLE_EQ(preview.width, 272);  // 340 x 50 for the width, then 272 x 40 for the height
  EXPECT_DOUBLE_EQ(preview.height, 40);
  EXPECT_EQ(preview.content->type(), "image/png");
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({20, 10}, 40).width, 20) << "never enlarged";
  EXPECT_DOUBLE_EQ(HistoryMenuItem::thumbnailSize({100, 400}, -5).height, 0) << "never negative";
  configuration.setImageMaxHeight(100);
  const auto tiff = rowFor({{std::string("image/tiff"), FakeImageDecoder::encode(100, 400)}});
  EXPECT_DOUBLE_EQ(std::get<ThumbnailImage>(tiff->image()).width, 25);
}

TEST_F(HistoryMenuItemTest, UnreadableContentsGiveAnEmptyRowThatCanStillBeChosen) {
  for (const auto& contents : std::vector<std::vector<NewContent>>{
           {{std::string("image/png"), std::string("not an image")}, {std::string("text/plain"), std::string("t")}},
           {{std::string("image/png"), std::nullopt}},
           {{std::string("text/plain"), std::string("\xFF\xFE broken")}},
           {{std::string("text/html"), std::string("<p>only html</p>")}},
           {{std::nullopt, std::string("a content with no type, as a damaged store may hold")}}}) {
    const auto row = rowFor(contents);
    EXPECT_EQ(row->title() + row->toolTip(), "");
    EXPECT_TRUE(noImage(row));
    row->performAction();
  }
  EXPECT_EQ(chosen, (Texts{"", "", "", "", ""}));
  const auto row = textRow("hello");
  row->addOnSelected([this](HistoryMenuItem&) { chosen.push_back("second"); });
  row->performAction();
  EXPECT_EQ(Texts(chosen.end() - 2, chosen.end()), (Texts{"hello", "second"})) << "every callback, in order";
}

TEST_F(HistoryMenuItemTest, RebuildsReadEachEntryOnceButFollowTheSettings) {
  const auto image = addEntry({{std::string("image/png"), FakeImageDecoder::encode(10, 10)}});
  addText("text");
  const auto previewWidth = [&] {
    for (const auto& row : menu->historyItems()) {
      if (row->item() == image) return std::get<ThumbnailImage>(row->image()).width;
    }
    return -1.0;
  };
  menu->menuWillOpen();
  menu->togglePin();
  EXPECT_EQ(images.calls(), 1u);
  EXPECT_DOUBLE_EQ(previewWidth(), 10);
  configuration.setImageMaxHeight(5);
  menu->menuWillOpen();
  EXPECT_DOUBLE_EQ(previewWidth(), 5);
}

}  // namespace
}  // namespace marbrel::testing
