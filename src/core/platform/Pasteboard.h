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

// The system clipboard, as the watcher reads it and the writer fills it.
class Pasteboard {
 public:
  virtual ~Pasteboard() = default;

  // A number that changes whenever any program changes the clipboard's contents.
  virtual std::int64_t changeCount() const = 0;

  // The items of the current contents, in order; empty when there are none.
  virtual std::vector<std::shared_ptr<const PasteboardItem>> items() const = 0;

  // Clears the clipboard and announces the types about to be written, in order.
  virtual void declareTypes(const std::vector<std::string>& types) = 0;

  // Writes the bytes of one declared type; absent bytes write nothing for that type.
  virtual void setData(const std::optional<std::string>& data, const std::string& type) = 0;

  // Sets the one function called on the main thread whenever the desktop announces new clipboard
  // contents (another program's copy or this program's own write), after changeCount() has moved and
  // items() gives the new contents. An empty function removes it. The watcher coalesces these calls;
  // an adapter whose desktop gives no such signal never calls it, and the watcher's one-second check
  // still finds its changes.
  virtual void setChangeHandler(std::function<void()> handler) = 0;
};

}  // namespace marbrel
