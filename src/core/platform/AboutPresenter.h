#pragma once

namespace marbrel {

// Shows the program's About panel.
class AboutPresenter {
 public:
  virtual ~AboutPresenter() = default;

  // Shows the About panel in front (name, version, icon and a credits line naming the maker with a
  // link to the maker's web site). The caller brings the program to the front first.
  virtual void openAbout() = 0;
};

}  // namespace marbrel
