#pragma once

#include <memory>
#include <string>

#include "core/menu/MenuItem.h"
#include "core/menu/SearchHeader.h"

namespace marbrel {

// The history menu's first row: a disabled item titled with the program's name whose view is the
// search header, which it owns.
class SearchHeaderItem : public MenuItem {
 public:
  // Takes `header` (not null) and tells it which row carries it.
  SearchHeaderItem(std::string title, std::unique_ptr<SearchHeader> header);
  ~SearchHeaderItem() override;

  SearchHeader& header() const { return *header_; }

 private:
  std::unique_ptr<SearchHeader> header_;
};

}  // namespace marbrel
