#include <algorithm>
#include <iterator>
#include <vector>

#include <QAbstractAnimation>
#include <QAbstractSpinBox>
#include <QAction>
#include <QFormLayout>
#include <QImage>
#include <QLabel>

#include "shell/preferences/AboutDialog.h"
#include "shell/preferences/AboutWindowPresenter.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesTabViewController.h"
#include "shell/preferences/PreferencesWindowController.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/preferences/ToolbarItemStyleViewController.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

// Every one of `controls` lies inside the window, overlaps no other and shows on its background.
void expectEachControlDrawnApart(QWidget& window, const std::vector<QWidget*>& controls) {
  const QImage image = window.grab().toImage();
  const qreal scale = image.devicePixelRatio();
  const QRgb background = image.pixel(QPoint(2, 2) * scale);
  std::vector<QRect> placed;
  for (QWidget* control : controls) {
    SCOPED_TRACE(control->objectName().isEmpty() ? control->metaObject()->className()
                                                 : control->objectName().toStdString());
    ASSERT_TRUE(control->isVisible());
    const QRect area(control->mapTo(&window, QPoint(0, 0)), control->size());
    EXPECT_TRUE(window.rect().contains(area)) << "cut off by the window's edge";
    for (const QRect& other : placed) EXPECT_FALSE(area.intersects(other)) << "drawn over another control";
    placed.push_back(area);
    const QRect pixels = QRect(area.topLeft() * scale, area.size() * scale).intersected(image.rect());
    int drawn = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
      for (int x = pixels.left(); x <= pixels.right(); ++x) drawn += image.pixel(x, y) != background ? 1 : 0;
    }
    EXPECT_GE(drawn, 30) << "drawn blank";
  }
}

// The labels and controls of a pane's form; a holder of several controls counts by its visible parts.
std::vector<QWidget*> formControls(QWidget& pane) {
  std::vector<QWidget*> controls;
  auto* form = qobject_cast<QFormLayout*>(pane.layout());
  for (int row = 0; form && row < form->rowCount(); ++row) {
    for (const auto role : {QFormLayout::LabelRole, QFormLayout::FieldRole}) {
      QWidget* widget = form->itemAt(row, role) ? form->itemAt(row, role)->widget() : nullptr;
      if (!widget) continue;
      const auto parts = widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
      if (!widget->layout() || parts.isEmpty() || qobject_cast<QAbstractSpinBox*>(widget)) controls.push_back(widget);
      else std::copy_if(parts.begin(), parts.end(), std::back_inserter(controls), [](QWidget* w) { return w->isVisible(); });
    }
  }
  return controls;
}

using PreferenceScreenshots = PreferencesFixture;

TEST_F(PreferenceScreenshots, EveryControlOfEachPaneAndTheAboutWindowIsDrawnWhole) {
  QtPreferencesWindow preferences{*context};
  preferences.show();
  PreferencesWindowController& controller = *preferences.controller();
  PreferencesTabViewController& tabs = controller.tabViewController();
  const auto general = formControls(*tabs.preferencePanes().at(0));
  EXPECT_EQ(general.size(), 12u) << "six rows: a label and a control each";
  expectEachControlDrawnApart(controller.window(), general);

  tabs.styleController()->toolbarItem("appearance")->trigger();
  if (QAbstractAnimation* running = tabs.runningTransition()) running->setCurrentTime(running->totalDuration());
  const auto appearance = formControls(*tabs.preferencePanes().at(1));
  EXPECT_EQ(appearance.size(), 14u) << "five labels, two pop-ups, the slider and its value, the size, four boxes";
  expectEachControlDrawnApart(controller.window(), appearance);

  AboutWindowPresenter about{strings};
  about.openAbout();
  ASSERT_NE(about.dialog(), nullptr);
  AboutDialog& dialog = *about.dialog();
  expectEachControlDrawnApart(dialog, {dialog.nameLabel(), dialog.versionLabel(), dialog.creditsLabel()});
}

}  // namespace
}  // namespace marbrel::testing
