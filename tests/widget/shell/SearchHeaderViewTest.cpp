#include <algorithm>
#include <cmath>
#include <memory>

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <gtest/gtest.h>

#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "core/platform/MenuPresenter.h"
#include "shell/ApplicationColors.h"
#include "support/CoreFakes.h"
#include "shell/MenuPopup.h"
#include "shell/SearchHeaderView.h"
#include "widget/WidgetEvents.h"

namespace marbrel {
namespace {

class SearchHeaderViewTest : public ::testing::Test, public testing::CoreFakes {
 protected:
  void SetUp() override {
    defaults.registerDefault("hideTitle", false);
    strings.set("search_placeholder", "Search here");
    header = std::make_unique<SearchHeader>(
        300, 29, SearchHeader::Services{configuration, queue, presenter, *sauce, [] { return std::nullopt; }});
    header->setTitle("Marbrel");
    view = std::make_unique<SearchHeaderView>(*header, strings);
    view->resize(300, 29);
    view->show();
  }
  std::unique_ptr<SearchHeader> header;
  std::unique_ptr<SearchHeaderView> view;  // goes before the header it shows
};

TEST_F(SearchHeaderViewTest, ShowsTheModelsTextsAndSendsEditsBack) {
  EXPECT_EQ(view->titleField()->text(), QStringLiteral("Marbrel"));
  EXPECT_EQ(view->queryField()->placeholderText(), QStringLiteral("Search here"));
  header->setQuery("hello", false);
  EXPECT_EQ(view->queryField()->text(), QStringLiteral("hello"));
  EXPECT_EQ(view->queryField()->cursorPosition(), 5) << "the end of the query stays in view";
  EXPECT_FALSE(view->queryField()->hasFocus()) << "typing reaches the query without the field taking focus";

  header->movedToWindow(true);
  EXPECT_FALSE(header->makeQueryFieldFirstResponder()) << "not before the first draw";
  view->grab();  // drawn, as showing the menu does: the field may now take the focus
  ASSERT_TRUE(header->makeQueryFieldFirstResponder());
  EXPECT_EQ(view->selectedLength(), 5u) << "taking the focus selects the whole query";
  view->setSelectedRange(5, 0);
  EXPECT_EQ(view->selectedLength(), 0u);
  view->queryField()->insert(QStringLiteral("xyz"));
  EXPECT_EQ(header->query(), "helloxyz");
  header->setQuery("other", false);
  EXPECT_EQ(view->queryField()->text(), QStringLiteral("other")) << "a change made by the model is shown, not echoed back";
  EXPECT_EQ(header->query(), "other");
  header->movedToWindow(false);
}

TEST_F(SearchHeaderViewTest, LaysOutTheFieldsAsTheModelSays) {
  const SearchHeaderLayout& layout = header->layout();
  ASSERT_TRUE(layout.constrained);
  EXPECT_TRUE(view->titleField()->isVisible());
  EXPECT_GT(view->queryField()->x(), view->titleField()->geometry().right()) << "the title stands left of the query";
  EXPECT_EQ(view->queryField()->geometry().right() + 1, 300 - int(layout.queryTrailing));
}

TEST_F(SearchHeaderViewTest, IncreasedContrastFillsTheHeaderWithTheMenuColourAndOnlyThen) {
  const auto menuColor = ApplicationColors::named("MenuColor", view->palette());
  ASSERT_TRUE(menuColor);
  // The corner is left bare by both fields, so it shows the header's own background.
  const auto corner = [&] { return view->grab().toImage().pixelColor(1, 1); };
  EXPECT_NE(corner(), *menuColor) << "without the desktop asking, the normal background shows";
  view->setIncreasedContrast(true);
  EXPECT_EQ(corner(), *menuColor);
  EXPECT_EQ(view->grab().toImage().pixelColor(view->width() - 2, view->height() - 2), *menuColor);
  view->setIncreasedContrast(false);
  EXPECT_NE(corner(), *menuColor) << "the fill goes away when the desktop stops asking";
}

// A menu whose first row is the search header, open in the real pop-up, with every key press
// going to the header first as the program routes it.
class SearchHeaderInPopupTest : public ::testing::Test, public testing::CoreFakes, public MenuTrackingListener {
 protected:
  SearchHeaderInPopupTest() {
    defaults.registerDefault("avoidTakingFocus", false);
    auto made = std::make_unique<SearchHeader>(
        300, 29, SearchHeader::Services{configuration, queue, presenter, *sauce, [] { return std::nullopt; }});
    header = made.get();
    menu.addItem(std::make_shared<SearchHeaderItem>("Marbrel", std::move(made)));
    menu.addItem(std::make_shared<MenuItem>("an entry"));
  }
  void TearDown() override { popup.closeMenu(); }

  void menuWillOpen(MenuModel&) override {}
  void menuDidClose(MenuModel&) override {}
  bool menuKeyDown(MenuModel&, std::uint16_t keyCode, std::uint64_t flags,
                   const std::optional<std::string>& characters) override {
    return header->onKeyDown(keyCode, flags, characters);
  }

  // Types one character where the window system delivers it: to the pop-up's focused widget.
  void type(int key, const QString& text) {
    QWidget* target = popup.focusWidget() ? popup.focusWidget() : &popup;
    for (const auto event : {QEvent::KeyPress, QEvent::KeyRelease}) testing::sendKey(target, event, key, {}, text);
  }

  MenuModel menu{"Marbrel"};
  SearchHeader* header = nullptr;
  MenuPopup popup{strings};
};

TEST_F(SearchHeaderInPopupTest, WhenTypingMayFocusTheFieldTheFirstCharacterIsTypedIntoIt) {
  popup.open(menu, QPoint(20, 20), this, {});
  header->movedToWindow(true);
  popup.grab();  // drawn, as showing the menu does: the field may now take the focus
  ASSERT_NE(popup.headerView(), nullptr);
  QLineEdit* field = popup.headerView()->queryField();
  type(Qt::Key_A, QStringLiteral("a"));
  EXPECT_EQ(popup.focusWidget(), field);
  EXPECT_EQ(field->text(), QStringLiteral("a")) << "the key that moved the focus is typed too";
  type(Qt::Key_B, QStringLiteral("b"));
  EXPECT_EQ(field->text(), QStringLiteral("ab"));
  EXPECT_EQ(header->query(), "ab");
  header->movedToWindow(false);
}

TEST(ApplicationColorsTest, MenuColourIsOpaqueAndContrastsWithTheTextOfLightAndDarkPalettes) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  QPalette light;
  light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
  light.setColor(QPalette::WindowText, QColor(0x20, 0x20, 0x20));
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
  for (const QPalette& palette : {light, dark}) {
    const auto color = ApplicationColors::named("MenuColor", palette);
    ASSERT_TRUE(color);
    EXPECT_EQ(color->alpha(), 255);
    const double a = luminance(*color) + 0.05, b = luminance(palette.color(QPalette::WindowText)) + 0.05;
    EXPECT_GE(std::max(a, b) / std::min(a, b), 7.0) << "the text stays readable on it";
  }
  EXPECT_FALSE(ApplicationColors::named("NoSuchColor", light));
}

}  // namespace
}  // namespace marbrel
