#pragma once

#include <QPointer>

#include "core/platform/AboutPresenter.h"

#include <QDialog>

namespace marbrel {

class Strings;

// The About panel: the program's icon, name and version, and a credits line naming the maker with a
// link to the maker's web site.
class QtAboutPresenter : public AboutPresenter {
 public:
  static constexpr const char* kMakerName = "The Marbrel developers";
  static constexpr const char* kMakerAddress = "https://marbrel.org";

  explicit QtAboutPresenter(const Strings& strings) : strings_(strings) {}
  ~QtAboutPresenter() override;

  void openAbout() override;
  // The panel while it is shown, else null.
  QDialog* panel() const { return panel_; }

 private:
  const Strings& strings_;
  QPointer<QDialog> panel_;
};

}  // namespace marbrel
