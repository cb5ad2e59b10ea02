#pragma once

#include <string>
#include <vector>

namespace marbrel {

// How the search header's view lays out its title and query fields for the display settings: the
// rules as the layout's visual-format strings, and the same rules as numbers for the shell's view.
struct SearchHeaderLayout {
  static constexpr double kWidth = 300;
  static constexpr double kHeight = 29;
  // With the search hidden the header stays in the menu as a thin strip.
  static constexpr double kHiddenSearchHeight = 1;
  static constexpr double kTitleFontSize = 15;
  static constexpr double kQueryFontSize = 13;
  // The standard spaces of the layout language: between siblings, and to the view's edge.
  static constexpr double kSiblingSpacing = 8;
  static constexpr double kEdgeSpacing = 20;
  static constexpr const char* kPlaceholderKey = "search_placeholder";
  // The colour the view fills its background with when the desktop asks for more contrast or
  // less transparency (when the colour exists).
  static constexpr const char* kContrastBackgroundColor = "MenuColor";

  // The header's height for the "hideSearch" setting.
  static double heightFor(bool hideSearch) { return hideSearch ? kHiddenSearchHeight : kHeight; }
  // The layout for the "hideSearch" and "hideTitle" settings.
  static SearchHeaderLayout forSettings(bool hideSearch, bool hideTitle);

  // Which fields are subviews: the title unless "hideTitle" is on; the query field always.
  bool showsTitle = false;
  bool showsQuery = true;
  // Visual-format constraints in the order they are added; none when the search is hidden (the
  // fields keep their zero frames).
  std::vector<std::string> constraints;

  // The constraints as distances in points; meaningful only when `constrained`.
  bool constrained = false;
  double titleLeading = 0;    // view's left edge to the title
  double titleSpacing = 0;    // title's right edge to the query field
  double titleTop = 0;
  double titleBottom = 0;
  double queryLeading = 0;    // view's left edge to the query field, when there is no title
  double queryTrailing = 0;
  double queryTop = 0;
  double queryBottom = 0;
};

}  // namespace marbrel
