#pragma once

#include <memory>

#include "core/platform/AboutPresenter.h"

namespace marbrel {

class AboutDialog;
class Strings;

// Shows the About window, one for the program, with its credits built anew at each showing.
class AboutWindowPresenter : public AboutPresenter {
 public:
  // `strings` is not owned and outlives this object.
  explicit AboutWindowPresenter(const Strings& strings);
  ~AboutWindowPresenter() override;

  void openAbout() override;

  // The window once shown; null before.
  AboutDialog* dialog() const { return dialog_.get(); }

 private:
  const Strings& strings_;
  std::unique_ptr<AboutDialog> dialog_;
};

}  // namespace marbrel
