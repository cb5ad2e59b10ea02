#include <memory>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/SearchHeader.h"
#include "core/platform/NotificationCenter.h"
#include "fakes/FakeKeyboardLayout.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakeMenuPresenter.h"
#include "fakes/FakeStrings.h"
#include "shell/SearchHeaderView.h"

namespace marbrel {
namespace {

class SearchHeaderViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    defaults.registerDefault("hideTitle", false);
    strings.set("search_placeholder", "Search here");
    header = std::make_unique<SearchHeader>(
        300, 29, SearchHeader::Services{configuration, queue, presenter, sauce, [] { return std::nullopt; }});
    header->setTitle("Marbrel");
    view = std::make_unique<SearchHeaderView>(*header, strings);
    view->resize(300, 29);
    view->show();
  }
  void TearDown() override {
    view.reset();
    header.reset();
  }

  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  FakeMainQueue queue;
  FakeMenuPresenter presenter;
  FakeKeyboardLayout layout;
  NotificationCenter notifications;
  Sauce sauce{layout, notifications};
  FakeStrings strings;
  std::unique_ptr<SearchHeader> header;
  std::unique_ptr<SearchHeaderView> view;
};

TEST_F(SearchHeaderViewTest, ShowsTheTitleTheQueryAndThePlaceholderOfTheModel) {
  EXPECT_EQ(view->titleField()->text(), QStringLiteral("Marbrel"));
  EXPECT_EQ(view->queryField()->placeholderText(), QStringLiteral("Search here"));
  header->setQuery("abc", false);
  EXPECT_EQ(view->queryField()->text(), QStringLiteral("abc"));
  EXPECT_EQ(view->queryField()->cursorPosition(), 3) << "the end of the query stays in view";
  EXPECT_FALSE(view->queryField()->hasFocus()) << "typing reaches the query without the field taking focus";
}

TEST_F(SearchHeaderViewTest, TheFieldTakesTheFocusOnlyOnceTheOpenMenuWasDrawn) {
  header->movedToWindow(true);
  EXPECT_FALSE(header->makeQueryFieldFirstResponder()) << "not before the first draw";
  view->grab();  // draws the view, as showing the menu does
  EXPECT_TRUE(header->fieldAcceptsFocus());
  header->setQuery("hello", false);
  EXPECT_TRUE(header->makeQueryFieldFirstResponder());
  EXPECT_EQ(view->selectedLength(), 5u) << "taking the focus selects the whole query";
  view->setSelectedRange(5, 0);
  EXPECT_EQ(view->selectedLength(), 0u);
  EXPECT_EQ(view->queryField()->cursorPosition(), 5);
  header->movedToWindow(false);
}

TEST_F(SearchHeaderViewTest, EditsInTheFieldGoBackToTheModel) {
  header->movedToWindow(true);
  view->grab();  // draws the view, as showing the menu does
  ASSERT_TRUE(header->makeQueryFieldFirstResponder());
  view->queryField()->insert(QStringLiteral("xyz"));
  EXPECT_EQ(header->query(), "xyz");
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

}  // namespace
}  // namespace marbrel
