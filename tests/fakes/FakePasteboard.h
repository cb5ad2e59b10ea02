#pragma once

#include <algorithm>
#include <utility>

#include "core/platform/Pasteboard.h"

namespace marbrel {

// An in-memory clipboard: tests put items on it as another program would and read back what the
// program wrote (a declared type that is given no bytes is not offered, as on the desktop).
class FakePasteboard : public Pasteboard {
 public:
  using Representations = std::vector<std::pair<std::string, std::optional<std::string>>>;
  // One item: its types in order, each with bytes or nothing.
  struct Item : PasteboardItem {
    Representations representations;

    std::vector<std::string> types() const override {
      std::vector<std::string> result;
      for (const auto& [type, data] : representations) result.push_back(type);
      return result;
    }
    std::optional<std::string> dataForType(const std::string& type) const override {
      for (const auto& [t, data] : representations) {
        if (t == type) return data;
      }
      return std::nullopt;
    }
    std::optional<std::string> stringForType(const std::string& type) const override {
      return dataForType(type);
    }
  };

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override { return {items_.begin(), items_.end()}; }
  void declareTypes(const std::vector<std::string>& types) override {
    ++changeCount_;
    items_.clear();
    declared_ = types;
    writes_.clear();
  }
  void setData(const std::optional<std::string>& data, const std::string& type) override {
    writes_.emplace_back(type, data);
    // As on the desktop, only the types given bytes are offered, in the order they were written.
    if (!data || std::find(declared_.begin(), declared_.end(), type) == declared_.end()) return;
    if (items_.empty()) items_.push_back(std::make_shared<Item>());
    auto& representations = items_.front()->representations;
    const auto same = std::find_if(representations.begin(), representations.end(), [&](const auto& r) { return r.first == type; });
    if (same != representations.end()) same->second = data;
    else representations.emplace_back(type, data);
  }
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }
  bool setPrimarySelectionText(const std::string& text) override {
    primarySelection = text;
    return true;
  }

  // Test controls: what another program does. Each change is announced to the change handler
  // unless `announcesChanges` is off (a desktop that gives no change signal).
  void copy(std::vector<Item> items) {
    ++changeCount_;
    items_.clear();
    for (auto& item : items) items_.push_back(std::make_shared<Item>(std::move(item)));
    if (announcesChanges && changeHandler_) changeHandler_();
  }
  void copyText(const std::string& text) {
    Item item;
    item.representations.emplace_back("text/plain", text);
    copy({item});
  }
  void clearContents() { copy({}); }

  // What the program declared and wrote, in order, since the last declareTypes().
  const std::vector<std::string>& declaredTypes() const { return declared_; }
  const Representations& writes() const { return writes_; }
  // What the program last put on the primary selection.
  std::optional<std::string> primarySelection;

  bool announcesChanges = true;

 private:
  std::int64_t changeCount_ = 0;
  std::vector<std::shared_ptr<Item>> items_;
  std::vector<std::string> declared_;
  Representations writes_;
  std::function<void()> changeHandler_;
};

}  // namespace marbrel
