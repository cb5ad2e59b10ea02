#include "core/config/PasteKeys.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/platform/ModifierFlags.h"

namespace marbrel {

namespace {

struct Modifier {
  std::string_view name;
  std::uint64_t flag;
};
// In the order the recorder shows them.
constexpr std::array<Modifier, 4> kModifiers{{
    {"Super", cocoa_flags::kControl},
    {"Ctrl", cocoa_flags::kCommand},
    {"Alt", cocoa_flags::kOption},
    {"Shift", cocoa_flags::kShift},
}};

struct NamedKey {
  std::string_view name;
  Key key;
};
// Keys named by a word; Insert stands where Apple keyboards have Help.
constexpr std::array<NamedKey, 11> kNamedKeys{{
    {"Insert", Key::help},
    {"Return", Key::return_},
    {"Tab", Key::tab},
    {"Space", Key::space},
    {"Backspace", Key::delete_},
    {"Del", Key::forwardDelete},
    {"Escape", Key::escape},
    {"Home", Key::home},
    {"End", Key::end},
    {"PageUp", Key::pageUp},
    {"PageDown", Key::pageDown},
}};

constexpr std::array<Key, 10> kDigits{Key::zero, Key::one, Key::two,   Key::three, Key::four,
                                      Key::five, Key::six, Key::seven, Key::eight, Key::nine};

std::string lowerCased(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return result;
}

bool sameWithoutCase(std::string_view a, std::string_view b) { return lowerCased(a) == lowerCased(b); }

std::optional<Key> keyNamed(std::string_view name) {
  if (name.size() == 1) {
    const unsigned char c = static_cast<unsigned char>(name.front());
    if (std::isdigit(c)) return kDigits[c - '0'];
    if (std::isalpha(c)) return keyFromRawValue(std::string(1, char(std::tolower(c))));
    return std::nullopt;
  }
  for (const NamedKey& named : kNamedKeys) {
    if (sameWithoutCase(named.name, name)) return named.key;
  }
  // F1 to F20.
  const std::string lower = lowerCased(name);
  if (lower.size() <= 3 && lower[0] == 'f' && std::all_of(lower.begin() + 1, lower.end(), ::isdigit) &&
      lower[1] != '0') {
    return keyFromRawValue(lower);
  }
  return std::nullopt;
}

std::string keyName(Key key) {
  for (const NamedKey& named : kNamedKeys) {
    if (named.key == key) return std::string(named.name);
  }
  for (std::size_t digit = 0; digit < kDigits.size(); ++digit) {
    if (kDigits[digit] == key) return std::string(1, char('0' + digit));
  }
  std::string name(rawValue(key));
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return name;
}

}  // namespace

bool PasteKey::pastesPrimarySelection() const { return key == Key::help && flags == cocoa_flags::kShift; }

namespace paste_keys {

PasteKey standard() { return {Key::v, cocoa_flags::kCommand}; }

std::optional<PasteKey> parse(std::string_view text) {
  std::uint64_t flags = 0;
  std::size_t start = 0;
  for (std::size_t plus = text.find('+'); plus != std::string_view::npos; plus = text.find('+', start)) {
    const std::string_view name = text.substr(start, plus - start);
    const auto modifier = std::find_if(kModifiers.begin(), kModifiers.end(),
                                       [&](const Modifier& m) { return sameWithoutCase(m.name, name); });
    if (modifier == kModifiers.end() || (flags & modifier->flag)) return std::nullopt;
    flags |= modifier->flag;
    start = plus + 1;
  }
  const std::optional<Key> key = keyNamed(text.substr(start));
  if (!key) return std::nullopt;
  return PasteKey{*key, flags};
}

std::string text(const PasteKey& key) {
  std::string result;
  for (const Modifier& modifier : kModifiers) {
    if (key.flags & modifier.flag) result += std::string(modifier.name) + "+";
  }
  return result + keyName(key.key);
}

const std::vector<std::pair<std::string, std::string>>& builtIn() {
  // X11 window classes and Wayland app ids of the terminals most desktops ship. xterm and urxvt
  // paste the primary selection with Shift+Insert; the others the clipboard with Ctrl+Shift+V.
  static const std::vector<std::pair<std::string, std::string>> table{
      {"gnome-terminal", "Ctrl+Shift+V"},        {"gnome-terminal-server", "Ctrl+Shift+V"},
      {"org.gnome.terminal", "Ctrl+Shift+V"},    {"konsole", "Ctrl+Shift+V"},
      {"org.kde.konsole", "Ctrl+Shift+V"},       {"xfce4-terminal", "Ctrl+Shift+V"},
      {"org.xfce.terminal", "Ctrl+Shift+V"},     {"kitty", "Ctrl+Shift+V"},
      {"alacritty", "Ctrl+Shift+V"},             {"foot", "Ctrl+Shift+V"},
      {"footclient", "Ctrl+Shift+V"},            {"org.wezfurlong.wezterm", "Ctrl+Shift+V"},
      {"tilix", "Ctrl+Shift+V"},                 {"com.gexperts.tilix", "Ctrl+Shift+V"},
      {"terminator", "Ctrl+Shift+V"},            {"lxterminal", "Ctrl+Shift+V"},
      {"xterm", "Shift+Insert"},                 {"urxvt", "Shift+Insert"},
  };
  return table;
}

std::string problemWith(const nlohmann::json& value) {
  if (!value.is_object()) {
    return "pasteKeys must be an object from application ids or window classes to key combinations";
  }
  for (const auto& [id, combination] : value.items()) {
    if (id.empty()) return "pasteKeys has an entry without an application id";
    if (!combination.is_string() || !parse(combination.get<std::string>())) {
      const std::string shown = combination.is_string() ? combination.get<std::string>() : combination.dump();
      return "'" + shown + "' for '" + id +
             "' is not a key combination: modifiers (Super, Ctrl, Alt, Shift) joined by + before a letter, "
             "a digit, F1 to F20, Insert, Return, Tab, Space, Backspace, Del, Escape, Home, End, PageUp or "
             "PageDown, as in Ctrl+Shift+V";
    }
  }
  return "";
}

PasteKey forApplication(const std::optional<nlohmann::json>& setting, const std::vector<std::string>& ids) {
  for (const std::string& id : ids) {
    const std::string lower = lowerCased(id);
    if (lower.empty()) continue;
    if (setting && setting->is_object()) {
      for (const auto& [name, combination] : setting->items()) {
        if (lowerCased(name) != lower || !combination.is_string()) continue;
        if (auto key = parse(combination.get<std::string>())) return *key;
      }
    }
    for (const auto& [name, combination] : builtIn()) {
      if (name == lower) return *parse(combination);
    }
  }
  return standard();
}

}  // namespace paste_keys

}  // namespace marbrel
