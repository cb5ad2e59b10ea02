#include "fakes/FakePasteboard.h"

#include <algorithm>

namespace marbrel {

std::vector<std::string> FakePasteboard::Item::types() const {
  std::vector<std::string> result;
  for (const auto& [type, data] : representations) result.push_back(type);
  return result;
}

std::optional<std::string> FakePasteboard::Item::dataForType(const std::string& type) const {
  for (const auto& [t, data] : representations) {
    if (t == type) return data;
  }
  return std::nullopt;
}

std::optional<std::string> FakePasteboard::Item::stringForType(const std::string& type) const {
  if (std::find(unreadableText.begin(), unreadableText.end(), type) != unreadableText.end()) {
    return std::nullopt;
  }
  return dataForType(type);
}

std::vector<std::shared_ptr<const PasteboardItem>> FakePasteboard::items() const {
  return {items_.begin(), items_.end()};
}

void FakePasteboard::declareTypes(const std::vector<std::string>& types) {
  ++changeCount_;
  items_.clear();
  declared_ = types;
  writes_.clear();
}

void FakePasteboard::setData(const std::optional<std::string>& data, const std::string& type) {
  writes_.emplace_back(type, data);
  // As on the desktop, only the types given bytes are offered, in the order they were written.
  if (!data || std::find(declared_.begin(), declared_.end(), type) == declared_.end()) return;
  if (items_.empty()) items_.push_back(std::make_shared<Item>());
  auto& representations = items_.front()->representations;
  for (auto& [t, bytes] : representations) {
    if (t == type) {
      bytes = data;
      return;
    }
  }
  representations.emplace_back(type, data);
}

void FakePasteboard::copy(std::vector<Item> items) {
  ++changeCount_;
  items_.clear();
  for (auto& item : items) items_.push_back(std::make_shared<Item>(std::move(item)));
  announce();
}

void FakePasteboard::copyText(const std::string& text) {
  Item item;
  item.representations.emplace_back("text/plain", text);
  copy({item});
}

void FakePasteboard::clearContents() {
  ++changeCount_;
  items_.clear();
  announce();
}

void FakePasteboard::announce() {
  if (announcesChanges && changeHandler_) changeHandler_();
}

}  // namespace marbrel
