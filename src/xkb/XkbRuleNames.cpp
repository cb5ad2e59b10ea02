#include "xkb/XkbRuleNames.h"

#include <algorithm>
#include <vector>

namespace marbrel {

namespace {

// Layout and variant names are plain identifiers in the XKB database ("us", "de", "dvorak-l",
// "mac_nodeadkeys", "latin9"); anything else would only reach the compiler as a path fragment.
bool isName(std::string_view name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
  }) && name.front() != '.' && name.front() != '-';
}

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

}  // namespace

std::optional<XkbRuleNames> XkbRuleNames::fromLayoutText(std::string_view text) {
  XkbRuleNames names;
  names.layout.clear();
  bool anyVariant = false;
  std::string variants;
  const auto entries = split(text, ',');
  for (std::size_t index = 0; index < entries.size(); ++index) {
    std::string_view entry = entries[index];
    std::string_view variant;
    if (const auto open = entry.find('('); open != std::string_view::npos) {
      if (entry.back() != ')') return std::nullopt;
      variant = entry.substr(open + 1, entry.size() - open - 2);
      entry = entry.substr(0, open);
      if (!isName(variant)) return std::nullopt;
      anyVariant = true;
    }
    if (!isName(entry)) return std::nullopt;
    if (index > 0) {
      names.layout += ',';
      variants += ',';
    }
    names.layout += entry;
    variants += variant;
  }
  if (anyVariant) names.variant = variants;
  return names;
}

std::string XkbRuleNames::layoutText() const {
  const auto layouts = split(layout, ',');
  const auto variants = split(variant, ',');
  std::string text;
  for (std::size_t index = 0; index < layouts.size(); ++index) {
    if (index > 0) text += ',';
    text += layouts[index];
    if (index < variants.size() && !variants[index].empty()) {
      text += '(';
      text += variants[index];
      text += ')';
    }
  }
  return text;
}

}  // namespace marbrel
