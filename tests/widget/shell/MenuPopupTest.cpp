#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include "core/menu/MenuModel.h"
#include "core/platform/MenuPresenter.h"
#include "fakes/FakeStrings.h"
#include "shell/MenuPopup.h"

namespace marbrel {
namespace {

using modifier_flags::kCommand;
using modifier_flags::kOption;

// Hears the pop-up's key presses first and handles the ones it is told to.
class RecordingListener : public MenuTrackingListener {
 public:
  void menuWillOpen(MenuModel&) override {}
  void menuDidClose(MenuModel&) override {}
  bool menuKeyDown(MenuModel&, std::uint16_t keyCode, std::uint64_t flags,
                   const std::optional<std::string>& characters) override {
    keys.push_back({keyCode, flags, characters.value_or("")});
    return handle.count(keyCode) > 0;
  }
  struct Key {
    std::uint16_t code;
    std::uint64_t flags;
    std::string characters;
  };
  std::vector<Key> keys;
  std::set<std::uint16_t> handle;
};

class MenuPopupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      auto primary = std::make_shared<MenuItem>("paste " + std::to_string(i));
      primary->setKeyEquivalent(std::to_string(i + 1));
      primary->setAction([this, i](MenuItem&) { chosen.push_back("paste " + std::to_string(i)); });
      auto alternate = std::make_shared<MenuItem>("copy " + std::to_string(i));
      alternate->setKeyEquivalent(std::to_string(i + 1));
      alternate->setKeyEquivalentModifierMask(kOption);
      alternate->setAlternate(true);
      alternate->setHidden(true);
      alternate->setAction([this, i](MenuItem&) { chosen.push_back("copy " + std::to_string(i)); });
      menu.addItem(primary);
      menu.addItem(alternate);
    }
    menu.highlightItem(menu.itemAt(0).get());
  }
  void TearDown() override { popup.closeMenu(); }

  void open() {
    popup.open(menu, QPoint(20, 20), &listener, [this] { ++closings; });
  }
  void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(popup.focusWidget() ? popup.focusWidget() : &popup, &event);
  }
  void release(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(popup.focusWidget() ? popup.focusWidget() : &popup, &event);
  }

  FakeStrings strings;
  MenuModel menu{"test"};
  MenuPopup popup{strings};
  RecordingListener listener;
  std::vector<std::string> chosen;
  int closings = 0;
};

TEST_F(MenuPopupTest, EveryKeyGoesToTheListenerFirstAndHandledKeysGoNoFurther) {
  open();
  listener.handle = {53};  // Escape, handled by the listener: the pop-up must not close
  press(Qt::Key_Escape);
  ASSERT_EQ(listener.keys.size(), 1u);
  EXPECT_EQ(listener.keys[0].code, 53);
  EXPECT_TRUE(popup.isOpen());
  listener.handle.clear();
  press(Qt::Key_Escape);
  EXPECT_FALSE(popup.isOpen()) << "left to the pop-up, Escape closes it";
  EXPECT_EQ(closings, 1);
  EXPECT_TRUE(chosen.empty());
}

TEST_F(MenuPopupTest, HoldingAltShowsAlternatesAndMovesTheHighlightToThemUntilReleased) {
  open();
  ASSERT_EQ(popup.rows().size(), 3u);
  press(Qt::Key_Alt);
  EXPECT_EQ(popup.rows()[0].shown->title(), "copy 0");
  EXPECT_EQ(menu.highlightedItem()->title(), "copy 0") << "Alt+Return must choose the alternate";
  release(Qt::Key_Alt, Qt::AltModifier);
  EXPECT_TRUE(listener.keys.empty()) << "modifier keys alone are no key presses";
  EXPECT_EQ(popup.rows()[0].shown->title(), "paste 0");
  EXPECT_EQ(menu.highlightedItem()->title(), "paste 0");
  press(Qt::Key_Alt);
  press(Qt::Key_Return, Qt::AltModifier, QStringLiteral("\r"));
  EXPECT_EQ(chosen, std::vector<std::string>{"copy 0"});
  EXPECT_FALSE(popup.isOpen());
  open();
  press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  EXPECT_EQ(chosen.back(), "paste 0");
}

TEST_F(MenuPopupTest, KeyEquivalentsChooseTheirItemsWithCtrlOrAlt) {
  open();
  press(Qt::Key_2, Qt::ControlModifier, QStringLiteral("2"));
  EXPECT_EQ(chosen, std::vector<std::string>{"paste 1"});
  open();
  press(Qt::Key_3, Qt::AltModifier, QStringLiteral("3"));
  EXPECT_EQ(chosen.back(), "copy 2");
  open();
  press(Qt::Key_4, Qt::ControlModifier, QStringLiteral("4"));
  EXPECT_TRUE(popup.isOpen()) << "no item has Ctrl+4";
  EXPECT_EQ(chosen.size(), 2u);
}

TEST_F(MenuPopupTest, ArrowsMoveTheHighlightAndWrapAroundSkippingHiddenItems) {
  auto quit = std::make_shared<MenuItem>("Quit");
  quit->setHidden(true);  // as with "hideFooter" on
  quit->setAction([this](MenuItem&) { chosen.push_back("quit"); });
  menu.addItem(quit);
  open();
  press(Qt::Key_Up);
  EXPECT_EQ(menu.highlightedItem()->title(), "paste 2");
  press(Qt::Key_Down);
  EXPECT_EQ(menu.highlightedItem()->title(), "paste 0");
  press(Qt::Key_Up);
  press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  EXPECT_EQ(chosen, std::vector<std::string>{"paste 2"});
}

TEST_F(MenuPopupTest, AReleaseWithoutAPressInsideChoosesNothing) {
  open();
  QMouseEvent releaseEvent(QEvent::MouseButtonRelease, QPointF(30, 10), QPointF(50, 30), Qt::LeftButton,
                           Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&popup, &releaseEvent);
  EXPECT_TRUE(chosen.empty()) << "the release of the click that opened the menu";
  QMouseEvent pressEvent(QEvent::MouseButtonPress, QPointF(30, 10), QPointF(50, 30), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&popup, &pressEvent);
  QApplication::sendEvent(&popup, &releaseEvent);
  EXPECT_EQ(chosen, std::vector<std::string>{"paste 0"});
}

TEST_F(MenuPopupTest, ModelChangesWhileOpenAreShownAtOnce) {
  open();
  menu.removeItemAt(0);
  menu.removeItemAt(0);
  EXPECT_EQ(popup.rows().size(), 2u);
  EXPECT_EQ(popup.height(), popup.sizeFor(menu).height());
}

TEST_F(MenuPopupTest, ALongMenuScrollsToKeepTheHighlightInView) {
  MenuModel longMenu("long");
  for (int i = 0; i < 10000; ++i) longMenu.addItem(std::make_shared<MenuItem>("entry " + std::to_string(i)));
  longMenu.highlightItem(longMenu.itemAt(9999).get());
  popup.open(longMenu, QPoint(0, 0), &listener, {});
  EXPECT_LE(popup.height(), popup.sizeFor(longMenu).height());
  EXPECT_GT(popup.scrollOffset(), 0);
  popup.closeMenu();
}

}  // namespace
}  // namespace marbrel
