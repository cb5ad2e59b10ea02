#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/keylayout/Key.h"

namespace marbrel {

class SearchHeader;

// The history menu's keyboard commands: decides for each key press in the open menu whether it
// edits the query, moves the highlight, chooses, deletes or pins an entry, runs a footer command,
// or goes on to the menu (or the focused query field) unchanged.
class SearchHeaderKeyLayer {
 public:
  // The footer items' tags the header runs itself when the footer is hidden.
  static constexpr int kClearTag = 101;
  static constexpr int kClearAllTag = 106;
  static constexpr int kPreferencesTag = 107;

  // `header` is not owned; it owns this layer.
  explicit SearchHeaderKeyLayer(SearchHeader& header) : header_(header) {}

  // A raw key press: finds the key under the current layout and routes it by the focus. Returns
  // true when handled.
  bool processInterceptedEvent(std::uint16_t keyCode, std::uint64_t flags,
                               const std::optional<std::string>& characters);
  // The command table, for a key already known. `flags` are device-independent modifier flags.
  bool processKeyDownEvent(Key key, std::uint64_t flags, const std::optional<std::string>& characters);
  // Returns false when the key is left to the menu (the footer's own key equivalents).
  bool processDeleteKey(std::uint64_t flags);
  void processSelectionKey(Key key, std::uint64_t flags);
  void removeLastWord();

  // Whether the header leaves `key` to the menu whatever the modifiers (navigation and F-keys).
  static bool isPassThroughKey(Key key);
  // Whether a key press types into or edits the query (here or in the field's editor); every other
  // key may act on the rows. `flags` are device-independent modifier flags.
  static bool editsQuery(std::optional<Key> key, std::uint64_t flags, const std::optional<std::string>& characters);
  // `query` without its last word, as Control-W leaves it.
  static std::string withoutLastWord(const std::string& query);
  // `text` without its last user-perceived character.
  static std::string withoutLastCharacter(const std::string& text);
  // Whether `text` is one user-perceived character that types something (not a control character).
  static bool isSingleTypedCharacter(const std::string& text);

 private:
  // The popup-shortcut and Command-Comma checks; returns a result when the key press ends there.
  std::optional<bool> processShortcutChecks(Key key, std::uint64_t flags);
  bool processTyping(Key key, std::uint64_t flags, const std::optional<std::string>& characters);

  SearchHeader& header_;
};

}  // namespace marbrel
