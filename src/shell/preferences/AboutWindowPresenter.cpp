#include "shell/preferences/AboutWindowPresenter.h"

#include "shell/preferences/AboutDialog.h"

namespace marbrel {

AboutWindowPresenter::AboutWindowPresenter(const Strings& strings) : strings_(strings) {}

AboutWindowPresenter::~AboutWindowPresenter() = default;

void AboutWindowPresenter::openAbout() {
  if (!dialog_) dialog_ = std::make_unique<AboutDialog>(strings_);
  dialog_->refreshCredits();
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
}

}  // namespace marbrel
