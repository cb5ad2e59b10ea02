#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/platform/Pasteboard.h"

namespace marbrel {

// A clipboard item whose bytes were all read when it was made: what the clipboard held at one
// moment, unchanged by whatever the clipboard does later.
class SnapshotPasteboardItem : public PasteboardItem {
 public:
  // `types` in the owner's order; `data` has the bytes of the types that gave some.
  SnapshotPasteboardItem(std::vector<std::string> types, std::map<std::string, std::string> data);

  std::vector<std::string> types() const override { return types_; }
  std::optional<std::string> dataForType(const std::string& type) const override;
  // The bytes as text when they are UTF-8; nothing otherwise.
  std::optional<std::string> stringForType(const std::string& type) const override;

 private:
  std::vector<std::string> types_;
  std::map<std::string, std::string> data_;
};

}  // namespace marbrel
