#pragma once

#include <string>
#include <vector>

namespace marbrel::clipboard_formats {

// One type of a clipboard item and the owner's targets that give its bytes, best first (none: the
// type is a named marker whose bytes are never asked for).
struct Format {
  std::string type;
  std::vector<std::string> targets;

  bool operator==(const Format&) const = default;
};

// The item's types from the targets an X clipboard owner offers, in the owner's order: MIME types and
// named markers such as "x-kde-passwordManagerHint", without the upper-case protocol targets
// (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS...) and without formats Qt invents
// ("application/x-qt-image"). The text targets UTF8_STRING, STRING and TEXT are read as "text/plain".
// Only MIME types ("a/b") are readable: asking an owner for a protocol target can clear or stall it.
std::vector<Format> fromTargets(const std::vector<std::string>& targets);

// The bytes read from `target` as the item keeps them: the text targets' text in UTF-8 (Latin-1 for
// STRING and TEXT; malformed UTF-8 becomes replacement characters; a terminating NUL is dropped),
// every other target's bytes unchanged.
std::string decode(const std::string& target, std::string bytes);

}  // namespace marbrel::clipboard_formats
