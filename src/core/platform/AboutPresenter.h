#pragma once

namespace marbrel {

// Shows the program's About panel.
class AboutPresenter {
 public:
  virtual ~AboutPresenter() = default;

  // Brings the program to the front ignoring other programs, then shows the About panel (name,
  // version, icon and a credits line naming the maker with a link to the maker's web site).
  virtual void openAbout() = 0;
};

}  // namespace marbrel
