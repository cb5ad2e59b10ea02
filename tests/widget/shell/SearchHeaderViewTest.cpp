#include <algorithm>
#include <memory>

#include <QLineEdit>
#include <QPalette>

#include <gtest/gtest.h>

#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "core/platform/MenuPresenter.h"
#include "shell/menu/MenuPopup.h"
#include "shell/menu/SearchHeaderView.h"
#include "shell/qt/ApplicationColors.h"
#include "support/CoreFakes.h"
#include "widget/WidgetEvents.h"

namespace marbrel {
namespace {

// The search header in the real pop-up, every key press going to it first as the program routes it.
class SearchHeaderViewTest : public ::testing::Test, public testing::CoreFakes, public MenuTrackingListener {
 protected:
  SearchHeaderViewTest() {
    defaults.registerDefault("avoidTakingFocus", false);
    auto made = std::make_unique<SearchHeader>(
        300, 29, SearchHeader::Services{configuration, queue, presenter, *sauce, [] { return std::nullopt; }});
    header = made.get();
    menu.addItem(std::make_shared<SearchHeaderItem>("Marbrel", std::move(made)));
    menu.addItem(std::make_shared<MenuItem>("an entry"));
    popup.setContrastSource([this] { return desktopAsksForContrast; });
  }
  void TearDown() override { popup.closeMenu(); }

  void menuWillOpen(MenuModel&) override {}
  void menuDidClose(MenuModel&) override {}
  bool menuKeyDown(MenuModel&, std::uint16_t keyCode, std::uint64_t flags,
                   const std::optional<std::string>& characters) override {
    return header->onKeyDown(keyCode, flags, characters);
  }

  SearchHeaderView& open() {
    popup.open(menu, QPoint(20, 20), this, {});
    header->movedToWindow(true);
    EXPECT_NE(popup.headerView(), nullptr);
    return *popup.headerView();
  }
  // Types one character where the window system delivers it: to the pop-up's focused widget.
  void type(int key, const QString& text) {
    testing::pressKey(popup.focusWidget() ? popup.focusWidget() : &popup, key, {}, text);
  }

  MenuModel menu{"Marbrel"};
  SearchHeader* header = nullptr;
  MenuPopup popup{strings};
  bool desktopAsksForContrast = false;
};

// The field takes the focus only once drawn, and does not echo the model's own changes back.
TEST_F(SearchHeaderViewTest, ShowsTheQueryAndOnceDrawnTypingFocusesTheFieldAndTypesTheKeyThatMovedIt) {
  QLineEdit& field = *open().queryField();
  header->setQuery("hello", false);
  EXPECT_EQ(field.text(), QStringLiteral("hello"));
  EXPECT_EQ(field.cursorPosition(), 5) << "the end of the query stays in view";
  EXPECT_FALSE(field.hasFocus() || header->makeQueryFieldFirstResponder()) << "not before the first draw";
  popup.grab();  // drawn, as showing the menu does: the field may now take the focus
  type(Qt::Key_A, QStringLiteral("a"));
  EXPECT_EQ(popup.focusWidget(), &field);
  EXPECT_EQ(field.text(), QStringLiteral("helloa")) << "the key that moved the focus is typed too, at the end";
  type(Qt::Key_B, QStringLiteral("b"));
  EXPECT_EQ(header->query(), "helloab");
  header->setQuery("other", false);
  EXPECT_EQ(field.text(), QStringLiteral("other"));
  EXPECT_EQ(header->query(), "other") << "a change made by the model is not echoed back";
  header->movedToWindow(false);
}

// Each opening asks the desktop; the header's corner, bare of both fields, shows its background.
TEST_F(SearchHeaderViewTest, IncreasedContrastFillsTheHeaderWithTheMenuColourAndOnlyThen) {
  for (const bool asks : {false, true, false}) {
    SCOPED_TRACE(asks);
    desktopAsksForContrast = asks;
    SearchHeaderView& view = open();
    const auto menuColor = ApplicationColors::named("MenuColor", view.palette());
    ASSERT_TRUE(menuColor);
    EXPECT_EQ(view.grab().toImage().pixelColor(1, 1) == *menuColor, asks);
    header->movedToWindow(false);
    popup.closeMenu();
  }
}

}  // namespace
}  // namespace marbrel
