#include "core/menu/SearchHeaderItem.h"

#include <utility>

namespace marbrel {

SearchHeaderItem::SearchHeaderItem(std::string title, std::unique_ptr<SearchHeader> header)
    : MenuItem(std::move(title)), header_(std::move(header)) {
  header_->setMenuItem(this);
  setEnabled(false);
}

SearchHeaderItem::~SearchHeaderItem() { header_->setMenuItem(nullptr); }

}  // namespace marbrel
