#include "core/menu/SearchHeaderLayout.h"

namespace marbrel {

SearchHeaderLayout SearchHeaderLayout::forSettings(bool hideSearch, bool hideTitle) {
  SearchHeaderLayout layout;
  layout.showsTitle = !hideTitle;
  layout.showsQuery = true;
  if (hideSearch) return layout;

  layout.constrained = true;
  layout.queryTrailing = 10;
  layout.queryTop = 0;
  layout.queryBottom = 3;
  if (hideTitle) {
    layout.constraints = {"|-(==10)-[queryField]-(==10)-|", "V:|[queryField]-(==3)-|"};
    layout.queryLeading = 10;
  } else {
    layout.constraints = {"|-[titleField]-[queryField]-(==10)-|", "V:|-(==3)-[titleField]-(==3)-|",
                          "V:|[queryField]-(==3)-|"};
    layout.titleLeading = kEdgeSpacing;
    layout.titleSpacing = kSiblingSpacing;
    layout.titleTop = 3;
    layout.titleBottom = 3;
  }
  return layout;
}

}  // namespace marbrel
