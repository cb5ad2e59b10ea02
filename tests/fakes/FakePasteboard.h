#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/Pasteboard.h"

namespace marbrel {

// An in-memory clipboard: tests put items on it as another program would and read back what the
// program wrote (a declared type that is given no bytes is not offered, as on the desktop).
class FakePasteboard : public Pasteboard {
 public:
  // One item: its types in order, each with bytes or nothing.
  struct Item : PasteboardItem {
    std::vector<std::pair<std::string, std::optional<std::string>>> representations;
    // Types whose text cannot be read (stringForType gives nothing even with bytes).
    std::vector<std::string> unreadableText;

    std::vector<std::string> types() const override;
    std::optional<std::string> dataForType(const std::string& type) const override;
    std::optional<std::string> stringForType(const std::string& type) const override;
  };

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override;
  void declareTypes(const std::vector<std::string>& types) override;
  void setData(const std::optional<std::string>& data, const std::string& type) override;
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }

  // Test controls: what another program does. Each change is announced to the change handler
  // unless `announcesChanges` is off (a desktop that gives no change signal).
  void copy(std::vector<Item> items);
  void copyText(const std::string& text);
  void clearContents();

  // What the program declared and wrote, in order, since the last declareTypes().
  const std::vector<std::string>& declaredTypes() const { return declared_; }
  const std::vector<std::pair<std::string, std::optional<std::string>>>& writes() const { return writes_; }

  bool announcesChanges = true;

 private:
  std::int64_t changeCount_ = 0;
  std::vector<std::shared_ptr<Item>> items_;
  std::vector<std::string> declared_;
  std::vector<std::pair<std::string, std::optional<std::string>>> writes_;
  std::function<void()> changeHandler_;

  void announce();
};

}  // namespace marbrel
