#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marbrel {

// One item of the system clipboard's contents: the representations one copy offered.
class PasteboardItem {
 public:
  virtual ~PasteboardItem() = default;

  // The item's type identifiers (MIME types on Linux), in the order the owner lists them.
  virtual std::vector<std::string> types() const = 0;

  // The bytes for one type, or nothing when the owner gives none.
  virtual std::optional<std::string> dataForType(const std::string& type) const = 0;

  // The item's text for a text type, or nothing when there is none or it cannot be read as text.
  virtual std::optional<std::string> stringForType(const std::string& type) const = 0;
};

// The system clipboard, as the watcher reads it and the writer fills it. Nothing here waits for
// another program: the contents are those the adapter has finished reading.
class Pasteboard {
 public:
  virtual ~Pasteboard() = default;

  // A number that changes whenever another program copies or this program writes (a new owner whose
  // contents have been read; an owner merely quitting need not count).
  virtual std::int64_t changeCount() const = 0;

  // The items of the contents that go with changeCount(), in order; empty when there are none. Their
  // bytes are already read: asking an item never waits for the program that copied them.
  virtual std::vector<std::shared_ptr<const PasteboardItem>> items() const = 0;

  // Clears the clipboard and announces the types about to be written, in order.
  virtual void declareTypes(const std::vector<std::string>& types) = 0;

  // Writes the bytes of one declared type; absent bytes write nothing for that type. Once the write
  // is seen as a change, the contents read back are exactly the types given bytes, in order, with
  // those bytes (a declared type given none is not offered).
  virtual void setData(const std::optional<std::string>& data, const std::string& type) = 0;

  // Sets the one function called on the main thread whenever the desktop announces new clipboard
  // contents (another program's copy or this program's own write), after changeCount() has moved and
  // items() gives the new contents. An empty function removes it. The watcher coalesces these calls;
  // an adapter whose desktop gives no such signal never calls it, and the watcher's one-second check
  // still finds its changes.
  virtual void setChangeHandler(std::function<void()> handler) = 0;

  // Puts `text` on the primary selection as well (what a middle click or Shift+Insert pastes in X
  // terminals). Returns false where the adapter cannot: the primary selection stays as it was.
  virtual bool setPrimarySelectionText(const std::string& text) {
    (void)text;
    return false;
  }
};

}  // namespace marbrel
