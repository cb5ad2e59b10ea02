#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "core/platform/PreferencesWindow.h"
#include "shell/DesktopProgram.h"
#include "shell/MenuImages.h"

namespace marbrel {

namespace {

// Until the preference panes are part of the program: a window that says where the settings are.
class SettingsHintWindow : public PreferencesWindow {
 public:
  ~SettingsHintWindow() override { delete window_; }

  void show() override {
    if (!window_) {
      window_ = new QDialog;
      window_->setWindowTitle(QStringLiteral("Marbrel Preferences"));
      window_->setWindowIcon(ApplicationImages::applicationIcon());
      auto* layout = new QVBoxLayout(window_);
      auto* text = new QLabel(
          QStringLiteral("Settings are read and written with the command line:\n\n"
                         "  marbrel defaults read\n"
                         "  marbrel defaults write hideFooter -bool true\n\n"
                         "Changes reach the running program at once."),
          window_);
      text->setTextInteractionFlags(Qt::TextSelectableByMouse);
      layout->addWidget(text);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
  }

 private:
  QPointer<QDialog> window_;
};

}  // namespace

std::unique_ptr<PreferencesWindow> makePreferencesWindow(const DesktopServices&) {
  return std::make_unique<SettingsHintWindow>();
}

}  // namespace marbrel
