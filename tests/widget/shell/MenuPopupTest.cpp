#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QKeyEvent>

#include <gtest/gtest.h>

#include "core/menu/MenuItem.h"
#include "core/menu/MenuModel.h"
#include "core/platform/MenuPresenter.h"
#include "fakes/FakeStrings.h"
#include "shell/menu/KeyEventTranslation.h"
#include "shell/menu/MenuPopup.h"
#include "widget/WidgetEvents.h"

namespace marbrel {
namespace {

// "paste N" on Ctrl+N+1 with its hidden alternate "copy N" on Alt+N+1; the listener handles `handled`.
class MenuPopupTest : public ::testing::Test, public MenuTrackingListener {
 protected:
  void SetUp() override {
    for (int i = 0; i < 6; ++i) {
      const std::string title = (i % 2 ? "copy " : "paste ") + std::to_string(i / 2);
      auto item = std::make_shared<MenuItem>(title);
      item->setKeyEquivalent(std::to_string(i / 2 + 1));
      item->setAction([this, title](MenuItem&) { chosen.push_back(title); });
      item->setKeyEquivalentModifierMask(i % 2 ? modifier_flags::kOption : modifier_flags::kCommand);
      item->setAlternate(i % 2);
      item->setHidden(i % 2);
      menu.addItem(item);
    }
    menu.highlightItem(menu.itemAt(0).get());
  }
  void TearDown() override { popup.closeMenu(); }

  void menuWillOpen(MenuModel&) override {}
  void menuDidClose(MenuModel&) override {}
  bool menuKeyDown(MenuModel&, std::uint16_t keyCode, std::uint64_t, const std::optional<std::string>&) override {
    heard.push_back(keyCode);
    return handled.count(keyCode) > 0;
  }

  void open() { popup.open(menu, QPoint(20, 20), this, [this] { ++closings; }); }
  // A key event where the window system delivers it: to the pop-up's focused widget.
  void press(int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {},
             QEvent::Type type = QEvent::KeyPress) {
    testing::sendKey(popup.focusWidget() ? popup.focusWidget() : &popup, type, key, modifiers, text);
  }
  std::string highlighted() const { return menu.highlightedItem()->title(); }
  // The first row's item and the highlighted one.
  std::string shown() const { return popup.rows()[0].shown->title() + "/" + highlighted(); }

  FakeStrings strings;
  MenuModel menu{"test"};
  MenuPopup popup{strings};
  std::vector<std::uint16_t> heard;
  std::set<std::uint16_t> handled;
  std::vector<std::string> chosen;
  int closings = 0;
};

TEST_F(MenuPopupTest, AltShowsAlternatesAndKeysGoToTheListenerFirstThenCloseOrChoose) {
  open();
  EXPECT_EQ(shown(), "paste 0/paste 0");
  press(Qt::Key_Alt);
  EXPECT_EQ(shown(), "copy 0/copy 0") << "Alt+Return must choose it";
  press(Qt::Key_Alt, Qt::AltModifier, {}, QEvent::KeyRelease);
  EXPECT_EQ(shown(), "paste 0/paste 0");
  EXPECT_TRUE(heard.empty()) << "modifier keys alone are no key presses";
  press(Qt::Key_Alt);
  press(Qt::Key_Return, Qt::AltModifier, "\r");
  EXPECT_EQ(chosen, std::vector<std::string>{"copy 0"});
  EXPECT_FALSE(popup.isOpen());

  open();
  handled = {53};  // Escape, handled by the listener: the pop-up must not close
  press(Qt::Key_Escape);
  EXPECT_TRUE(popup.isOpen());
  handled.clear();
  press(Qt::Key_Escape);
  EXPECT_EQ(heard, (std::vector<std::uint16_t>{36, 53, 53}));
  EXPECT_FALSE(popup.isOpen()) << "left to the pop-up, Escape closes it";
  EXPECT_EQ(closings, 2);
  open();
  press(Qt::Key_2, Qt::ControlModifier, "2");
  open();
  press(Qt::Key_3, Qt::AltModifier, "3");
  EXPECT_EQ(chosen, (std::vector<std::string>{"copy 0", "paste 1", "copy 2"}));
}

// With the footer hidden, Up from the first row once wrapped to the invisible Quit and Return ran it.
TEST_F(MenuPopupTest, ArrowsWrapAroundSkippingAHiddenFooterAndReturnChoosesTheHighlight) {
  auto quit = std::make_shared<MenuItem>("Quit");
  quit->setHidden(true);  // as with "hideFooter" on
  menu.addItem(quit);
  open();
  press(Qt::Key_Up);
  EXPECT_EQ(highlighted(), "paste 2");
  press(Qt::Key_Down);
  EXPECT_EQ(highlighted(), "paste 0");
  press(Qt::Key_Up);
  press(Qt::Key_Return, Qt::NoModifier, "\r");
  EXPECT_EQ(chosen, std::vector<std::string>{"paste 2"});
}

using namespace modifier_flags;
using T = KeyEventTranslation;

// Ctrl is Command, Alt is Option, Super is Control; without an X key code, the ANSI key's position.
TEST(KeyEventTranslation, QtKeyEventsReachTheCoreAsTheirAnsiCodeFlagsAndText) {
  EXPECT_EQ(T::flagsForModifiers(Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier),
            kCommand | kShift | kOption | kControl);
  for (const auto& [key, code] : {std::pair{Qt::Key_V, 9}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 76},
                                  {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117}, {Qt::Key_Down, 125},
                                  {Qt::Key_Comma, 43}}) {
    const auto got = T::translate(QKeyEvent(QEvent::KeyPress, key, Qt::KeypadModifier, "x"));
    ASSERT_TRUE(got.has_value()) << key;
    EXPECT_EQ(got->keyCode, code) << key;
    EXPECT_EQ(got->flags, 0u) << "the keypad flag is not a modifier";
    EXPECT_EQ(got->characters, "x") << key;
  }
  EXPECT_FALSE(T::translate(QKeyEvent(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier)).has_value());
  // Key equivalents read as Linux shortcuts.
  EXPECT_EQ(T::keyEquivalentText("k", kCommand), "Ctrl+K");
  EXPECT_EQ(T::keyEquivalentText("\u232B", kCommand | kOption | kShift), "Ctrl+Alt+Shift+Backspace");
}

}  // namespace
}  // namespace marbrel
