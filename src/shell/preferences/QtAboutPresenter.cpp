#include "shell/preferences/QtAboutPresenter.h"

#include "shell/preferences/AboutDialog.h"

namespace marbrel {

QtAboutPresenter::QtAboutPresenter(const Strings& strings) : strings_(strings) {}

QtAboutPresenter::~QtAboutPresenter() = default;

void QtAboutPresenter::openAbout() {
  if (!dialog_) dialog_ = std::make_unique<AboutDialog>(strings_);
  dialog_->refreshCredits();
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
}

}  // namespace marbrel
