#pragma once

#include <cstddef>

namespace marbrel {

// The text editor of the search header's query field while the field has the keyboard focus.
// The header decides when the field takes the focus; the shell's view gives it the focus then and
// reports its edits back to the header.
class QueryFieldEditor {
 public:
  virtual ~QueryFieldEditor() = default;

  // Gives the query field the keyboard focus with its whole text selected, as a field focused from
  // the keyboard is. Typing then goes to the field.
  virtual void takeFocus() = 0;

  // Pastes the clipboard's text at the selection, as the field's own paste command does; the edit is
  // reported back like typing.
  virtual void paste() = 0;

  // The length of the current selection, in characters as the field counts them.
  virtual std::size_t selectedLength() const = 0;

  // Selects `length` characters from `location` (length 0: places the caret there).
  virtual void setSelectedRange(std::size_t location, std::size_t length) = 0;
};

}  // namespace marbrel
