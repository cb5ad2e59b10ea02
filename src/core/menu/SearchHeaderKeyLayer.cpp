#include "core/menu/SearchHeaderKeyLayer.h"

#include <memory>
#include <sstream>
#include <vector>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include "core/config/Configuration.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuItem.h"
#include "core/menu/SearchHeader.h"
#include "core/platform/QueryFieldEditor.h"

namespace marbrel {

namespace {

using namespace modifier_flags;

constexpr std::uint64_t kCommandKeys = kControl | kOption | kCommand;
constexpr std::uint64_t kModifierKeys = kShift | kControl | kOption | kCommand;

bool has(std::uint64_t flags, std::uint64_t bit) { return (flags & bit) != 0; }

// The offsets in `text` (UTF-8) where user-perceived characters start, and its end.
std::vector<std::size_t> characterBoundaries(const std::string& text) {
  std::vector<std::size_t> boundaries;
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> breaks(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !breaks) {
    // Without ICU's data, code points stand in for characters.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) boundaries.push_back(i);
    }
    boundaries.push_back(text.size());
    return boundaries;
  }
  const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
  breaks->setText(unicode);
  // Boundaries come in UTF-16 units; walk the UTF-8 text alongside to translate them.
  std::size_t utf8 = 0;
  int32_t utf16 = 0;
  for (int32_t boundary = breaks->first(); boundary != icu::BreakIterator::DONE; boundary = breaks->next()) {
    while (utf16 < boundary && utf8 < text.size()) {
      UChar32 c = 0;
      int32_t i = static_cast<int32_t>(utf8);
      U8_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
      utf8 = static_cast<std::size_t>(i);
      utf16 += (c < 0 || c <= 0xFFFF) ? 1 : 2;
    }
    boundaries.push_back(utf8);
  }
  return boundaries;
}

// The item that choosing would run with these modifiers held: an alternate stands in for the item
// before it while exactly its modifiers are held, as the menu shows it.
MenuItemPtr itemShownFor(const MenuModel& menu, const MenuItemPtr& highlighted, std::uint64_t flags) {
  const auto index = menu.indexOf(*highlighted);
  if (!index) return highlighted;
  const std::uint64_t held = flags & kModifierKeys;
  if (!highlighted->isAlternate() && *index + 1 < menu.size()) {
    const MenuItemPtr& next = menu.itemAt(*index + 1);
    if (next->isAlternate() && next->keyEquivalentModifierMask() == held) return next;
  }
  if (highlighted->isAlternate() && highlighted->keyEquivalentModifierMask() != held && *index > 0) {
    const MenuItemPtr& previous = menu.itemAt(*index - 1);
    if (!previous->isAlternate()) return previous;
  }
  return highlighted;
}

}  // namespace

bool SearchHeaderKeyLayer::isPassThroughKey(Key key) {
  switch (key) {
    case Key::home: case Key::pageUp: case Key::pageDown: case Key::end:
    case Key::leftArrow: case Key::rightArrow: case Key::escape: case Key::tab:
    case Key::f1: case Key::f2: case Key::f3: case Key::f4: case Key::f5: case Key::f6:
    case Key::f7: case Key::f8: case Key::f9: case Key::f10: case Key::f11: case Key::f12:
    case Key::f13: case Key::f14: case Key::f15: case Key::f16: case Key::f17: case Key::f18:
    case Key::f19:
      return true;
    default:
      return false;
  }
}

bool SearchHeaderKeyLayer::editsQuery(std::optional<Key> key, std::uint64_t flags,
                                      const std::optional<std::string>& characters) {
  if (key) {
    switch (*key) {
      case Key::delete_:
        // Option with Delete deletes a row or clears the history; the others edit the query.
        return !has(flags, kOption);
      case Key::h:
      case Key::w:
      case Key::u:
        if (has(flags, kControl)) return true;
        break;
      case Key::v:
        if (flags == kCommand) return true;  // pastes into the query
        break;
      case Key::return_:
      case Key::keypadEnter:
      case Key::downArrow:
      case Key::upArrow:
        return false;
      default:
        if (isPassThroughKey(*key)) return false;
        break;
    }
  }
  return !has(flags, kCommandKeys) && characters && isSingleTypedCharacter(*characters);
}

bool SearchHeaderKeyLayer::processInterceptedEvent(std::uint16_t keyCode, std::uint64_t rawFlags,
                                                   const std::optional<std::string>& characters) {
  const std::optional<Key> key = header_.sauce().keyForKeyCode(keyCode);
  const std::uint64_t flags = rawFlags & kDeviceIndependentMask;
  // Every key of the open menu comes here first, also those that go on to the field's editor or to
  // the menu (Return there, the number and pin-letter key equivalents). Typing is throttled, so the
  // rows may still be those of an older query; a key that chooses, deletes, pins or moves the
  // highlight acts on the rows of the query shown, so a waiting filter runs first. Keys that edit
  // the query leave it waiting: drawing the rows keeps up with typing that way.
  if (!editsQuery(key, flags, characters)) header_.applyPendingQuery();
  if (!key) return false;

  switch (header_.focus()) {
    case SearchHeader::Focus::queryField:
      return false;
    case SearchHeader::Focus::fieldEditor:
    case SearchHeader::Focus::none:
      // The field's editor gets every key but Command-V, which pastes into the query.
      if (*key != Key::v || flags != kCommand) return false;
      break;
    case SearchHeader::Focus::window:
      break;
  }
  return processKeyDownEvent(*key, flags, characters);
}

bool SearchHeaderKeyLayer::processKeyDownEvent(Key key, std::uint64_t flags,
                                               const std::optional<std::string>& characters) {
  if (isPassThroughKey(key)) return false;
  Menu* menu = header_.menu();

  switch (key) {
    case Key::h:
      if (!has(flags, kControl)) break;
      return processDeleteKey(flags);
    case Key::delete_:
      return processDeleteKey(flags);
    case Key::w:
      if (!has(flags, kControl)) break;
      removeLastWord();
      return true;
    case Key::u:
      if (!has(flags, kControl)) break;
      if (!header_.query().empty()) header_.setQuery("", true);
      return true;
    case Key::p:
      if (has(flags, kOption)) {
        if (menu) menu->togglePin();
        header_.setQuery("", false);
        return true;
      }
      if (has(flags, kControl)) {
        if (menu) menu->selectPrevious(false);
        return true;
      }
      break;
    case Key::n:
      if (!has(flags, kControl)) break;
      if (menu) menu->selectNext(false);
      return true;
    case Key::return_:
    case Key::keypadEnter:
    case Key::downArrow:
    case Key::upArrow:
      processSelectionKey(key, flags);
      return true;
    default:
      if (const std::optional<bool> result = processShortcutChecks(key, flags)) return *result;
      break;
  }
  return processTyping(key, flags, characters);
}

std::optional<bool> SearchHeaderKeyLayer::processShortcutChecks(Key key, std::uint64_t flags) {
  if (const auto shortcut = header_.popupShortcut()) {
    const std::optional<Key> shortcutKey = header_.sauce().keyForKeyCode(shortcut->keyCode);
    if (shortcutKey && *shortcutKey == key) {
      if (flags == shortcut->modifierFlags) {
        header_.cancelTracking();
        return false;
      }
      return std::nullopt;  // the popup key with other modifiers: no Command-Comma check
    }
  }
  if (key == Key::comma && flags == kCommand && header_.configuration().hideFooter()) {
    header_.performMenuItemAction(kPreferencesTag);
    return false;
  }
  return std::nullopt;
}

bool SearchHeaderKeyLayer::processTyping(Key key, std::uint64_t flags,
                                         const std::optional<std::string>& characters) {
  if (key == Key::v && flags == kCommand) {
    header_.makeQueryFieldFirstResponder();
    if (QueryFieldEditor* editor = header_.fieldEditor()) editor->paste();
    return true;
  }
  if (has(flags, kCommandKeys) || !characters || characters->empty()) return false;
  if (!isSingleTypedCharacter(*characters)) return false;

  if (header_.configuration().avoidTakingFocus()) {
    std::string query = header_.query() + *characters;
    if (query != header_.query()) header_.setQuery(query, true);
    return true;
  }
  header_.makeQueryFieldFirstResponder();
  if (QueryFieldEditor* editor = header_.fieldEditor()) {
    // Focusing selected the whole query; the caret goes to its end and the key types there.
    editor->setSelectedRange(editor->selectedLength(), 0);
  }
  return false;
}

bool SearchHeaderKeyLayer::processDeleteKey(std::uint64_t flags) {
  const bool footerHidden = header_.configuration().hideFooter();
  if (flags == kOption) {
    if (Menu* menu = header_.menu()) menu->deleteHighlightedItem();
  } else if (flags == kCommand) {
    if (!header_.query().empty()) header_.setQuery("", true);
  } else if (flags == (kCommand | kOption) || flags == (kCommand | kOption | kShift)) {
    // With the footer shown, its clear and clear-all items carry these keys themselves: the key
    // goes on to the menu so their key equivalents fire.
    if (!footerHidden) return false;
    header_.performMenuItemAction(flags == (kCommand | kOption) ? kClearTag : kClearAllTag);
  } else if (!header_.query().empty()) {
    std::string shorter = withoutLastCharacter(header_.query());
    if (shorter != header_.query()) header_.setQuery(shorter, true);
  }
  return true;
}

void SearchHeaderKeyLayer::processSelectionKey(Key key, std::uint64_t flags) {
  Menu* menu = header_.menu();
  if (!menu) return;
  const bool option = has(flags, kOption);
  const bool command = has(flags, kCommand);
  switch (key) {
    case Key::downArrow:
      if (command) {
        menu->selectLast(false);
      } else {
        menu->selectNext(option);
      }
      break;
    case Key::upArrow:
      if (command) {
        menu->selectFirst(false);
      } else {
        menu->selectPrevious(option);
      }
      break;
    case Key::return_:
    case Key::keypadEnter:
      if (const MenuItemPtr highlighted = menu->highlightedItem()) {
        // Held by value: choosing may rebuild the menu.
        const MenuItemPtr chosen = itemShownFor(*menu, highlighted, flags);
        chosen->performAction();
        header_.cancelTracking();
      }
      break;
    default:
      break;
  }
}

void SearchHeaderKeyLayer::removeLastWord() {
  const std::string& query = header_.query();
  std::string shorter = withoutLastWord(query);
  if (!shorter.empty()) {
    if (shorter != query) header_.setQuery(shorter, true);
  } else if (!query.empty()) {
    header_.setQuery("", true);
  }
}

std::string SearchHeaderKeyLayer::withoutLastWord(const std::string& query) {
  std::vector<std::string> words;
  std::string word;
  std::istringstream stream(query);
  while (std::getline(stream, word, ' ')) {
    if (!word.empty()) words.push_back(word);
  }
  if (!words.empty()) words.pop_back();
  if (words.empty()) return "";
  std::string rest;
  for (const auto& piece : words) {
    if (!rest.empty()) rest += ' ';
    rest += piece;
  }
  return rest + ' ';
}

std::string SearchHeaderKeyLayer::withoutLastCharacter(const std::string& text) {
  if (text.empty()) return text;
  const std::vector<std::size_t> boundaries = characterBoundaries(text);
  if (boundaries.size() < 2) return "";
  return text.substr(0, boundaries[boundaries.size() - 2]);
}

bool SearchHeaderKeyLayer::isSingleTypedCharacter(const std::string& text) {
  if (text.empty() || characterBoundaries(text).size() != 2) return false;
  UChar32 first = 0;
  int32_t offset = 0;
  U8_NEXT(text.data(), offset, static_cast<int32_t>(text.size()), first);
  if (first < 0) return false;
  // Keys such as Delete or Escape report control characters; they type nothing into a query.
  return u_charType(first) != U_CONTROL_CHAR;
}

}  // namespace marbrel
