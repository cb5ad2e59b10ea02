#pragma once

#include <cstddef>
#include <functional>

#include "core/platform/QueryFieldEditor.h"

namespace marbrel {

// A query field's editor in memory: records pastes and the selection's length; a test decides what a paste
// does (usually: report new text to the header).
class FakeQueryFieldEditor : public QueryFieldEditor {
 public:
  void takeFocus() override {}
  void paste() override {
    ++pasteCount;
    if (onPaste) onPaste();
  }
  std::size_t selectedLength() const override { return selectionLength; }
  void setSelectedRange(std::size_t, std::size_t length) override { selectionLength = length; }

  int pasteCount = 0;
  std::function<void()> onPaste;
  std::size_t selectionLength = 0;
};

}  // namespace marbrel
