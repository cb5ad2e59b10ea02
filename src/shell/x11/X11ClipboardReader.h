#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marbrel {

// Reads an X selection on a connection and thread of its own whenever a program takes it, so that a
// slow or hung owner never holds up the program's event loop, and hands each complete reading on. A
// reading overtaken by the next owner is dropped; an owner quitting or clearing the selection is no
// reading (nothing was copied).
class X11ClipboardReader {
 public:
  // One type of the contents and its bytes (none when they were not read: a named marker, an owner
  // that refused or did not answer in time, or bytes over the size limit).
  struct Format {
    std::string type;
    std::optional<std::string> bytes;
  };
  // The selection's contents as one item's formats, in the owner's order; empty when the owner did
  // not say what it offers.
  using Contents = std::vector<Format>;
  struct Reading {
    std::uint32_t owner = 0;  // the owner's window
    Contents contents;
  };
  // Called on the reader's thread with each new reading, in the order of the owner changes.
  using Publish = std::function<void(Reading)>;

  struct Limits {
    // How long the owner may stay silent between the pieces of an incremental transfer, and how long
    // the whole transfer of one format may take, its first answer included (a new owner ends any
    // transfer at once, so waiting for a slow owner holds up no other copy).
    std::chrono::milliseconds idle{2000};
    std::chrono::milliseconds perFormat{30000};
    // The largest value read; a larger one is left without bytes.
    std::size_t maxBytes = std::size_t(128) << 20;
  };

  // Watches `selection` ("CLIPBOARD" or "PRIMARY") on the display named by $DISPLAY. Readings begin
  // with the first change of owner after construction.
  X11ClipboardReader(const std::string& selection, Publish publish, Limits limits);
  explicit X11ClipboardReader(const std::string& selection, Publish publish)
      : X11ClipboardReader(selection, std::move(publish), Limits{}) {}
  // Stops the reader; no reading is handed on after this returns.
  ~X11ClipboardReader();
  X11ClipboardReader(const X11ClipboardReader&) = delete;
  X11ClipboardReader& operator=(const X11ClipboardReader&) = delete;

  // Whether the X server could be reached and announces owner changes (the XFIXES extension).
  bool isWatching() const;

 private:
  struct Private;
  std::unique_ptr<Private> d_;
};

}  // namespace marbrel
