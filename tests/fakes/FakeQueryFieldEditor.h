#pragma once

#include <cstddef>
#include <functional>

#include "core/platform/QueryFieldEditor.h"

namespace marbrel {

// A query field's editor in memory: records pastes and the selection; a test decides what a paste
// does (usually: report new text to the header).
class FakeQueryFieldEditor : public QueryFieldEditor {
 public:
  void takeFocus() override {
    ++focusCount;
    selectionLocation = 0;
    selectionLength = textLength;
  }
  void paste() override {
    ++pasteCount;
    if (onPaste) onPaste();
  }
  std::size_t selectedLength() const override { return selectionLength; }
  void setSelectedRange(std::size_t location, std::size_t length) override {
    selectionLocation = location;
    selectionLength = length;
  }

  // Test control: the length of the field's text, which focusing selects.
  std::size_t textLength = 0;
  int focusCount = 0;
  int pasteCount = 0;
  std::function<void()> onPaste;
  std::size_t selectionLocation = 0;
  std::size_t selectionLength = 0;
};

}  // namespace marbrel
