#include <QAbstractAnimation>
#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>

#include "shell/preferences/AboutDialog.h"
#include "shell/preferences/AboutWindowPresenter.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesTabViewController.h"
#include "shell/preferences/PreferencesWindowController.h"
#include "shell/preferences/QtPreferencesWindow.h"
#include "shell/preferences/ToolbarItemStyleViewController.h"
#include "widget/preferences/PreferencesFixture.h"

namespace marbrel::testing {
namespace {

// How many distinct colours a picture holds: a blank or single-colour rendering has one or two.
int colourCount(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); y += 2) {
    for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

// Keeps a picture for people to look at when MARBREL_SCREENSHOT_DIR names a folder.
void keep(const QImage& image, const char* name) {
  const QString folder = qEnvironmentVariable("MARBREL_SCREENSHOT_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  image.save(QDir(folder).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

using PreferenceScreenshots = PreferencesFixture;

TEST_F(PreferenceScreenshots, EachPaneAndTheAboutWindowDrawTheirControls) {
  QtPreferencesWindow preferences{*context};
  preferences.show();
  PreferencesWindowController& controller = *preferences.controller();
  const QImage general = controller.window().grab().toImage();
  EXPECT_EQ(general.size(), controller.window().size() * general.devicePixelRatio());
  EXPECT_GT(colourCount(general), 20);
  keep(general, "preferences-general");

  controller.tabViewController().styleController()->toolbarItem("appearance")->trigger();
  if (QAbstractAnimation* running = controller.tabViewController().runningTransition()) {
    running->setCurrentTime(running->totalDuration());
  }
  const QImage appearance = controller.window().grab().toImage();
  EXPECT_GT(colourCount(appearance), 20);
  EXPECT_NE(appearance, general);
  keep(appearance, "preferences-appearance");

  AboutWindowPresenter about{strings};
  about.openAbout();
  ASSERT_NE(about.dialog(), nullptr);
  EXPECT_TRUE(about.dialog()->isVisible());
  const QImage aboutImage = about.dialog()->grab().toImage();
  EXPECT_GT(colourCount(aboutImage), 10);
  keep(aboutImage, "about");
}

TEST_F(PreferenceScreenshots, TheAboutWindowNamesTheProgramVersionAndMakerCentred) {
  AboutWindowPresenter about{strings};
  about.openAbout();
  AboutDialog& dialog = *about.dialog();
  EXPECT_EQ(dialog.nameLabel()->text(), "Marbrel");
  EXPECT_EQ(dialog.versionLabel()->text(), QStringLiteral("Version " MARBREL_VERSION));
  const QString credits = dialog.creditsLabel()->text();
  EXPECT_EQ(credits.count(QString::fromLatin1(AboutDialog::kMakerName)), 1);
  EXPECT_TRUE(credits.contains(QStringLiteral("<a href=\"%1\"").arg(AboutDialog::kMakerAddress)));
  EXPECT_TRUE(credits.endsWith(QStringLiteral("</a><br></div>")));  // then an empty line
  EXPECT_TRUE(dialog.creditsLabel()->alignment() & Qt::AlignHCenter);
  EXPECT_TRUE(dialog.creditsLabel()->openExternalLinks());
  // The link reads in the label's own colour.
  EXPECT_TRUE(credits.contains(
      QStringLiteral("color: %1").arg(dialog.creditsLabel()->palette().color(QPalette::WindowText).name())));
  about.openAbout();  // a second showing reuses the window
  EXPECT_EQ(about.dialog(), &dialog);
}

}  // namespace
}  // namespace marbrel::testing
