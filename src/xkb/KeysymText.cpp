#include "xkb/KeysymText.h"

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <utility>

namespace marbrel {

namespace {

// Dead keys type nothing by themselves; a key cap shows the spacing form of their accent.
constexpr std::array<std::pair<xkb_keysym_t, const char*>, 16> kDeadKeyTexts = {{
    {XKB_KEY_dead_grave, "`"},
    {XKB_KEY_dead_acute, "\u00B4"},
    {XKB_KEY_dead_circumflex, "^"},
    {XKB_KEY_dead_tilde, "~"},
    {XKB_KEY_dead_macron, "\u00AF"},
    {XKB_KEY_dead_breve, "\u02D8"},
    {XKB_KEY_dead_abovedot, "\u02D9"},
    {XKB_KEY_dead_diaeresis, "\u00A8"},
    {XKB_KEY_dead_abovering, "\u02DA"},
    {XKB_KEY_dead_doubleacute, "\u02DD"},
    {XKB_KEY_dead_caron, "\u02C7"},
    {XKB_KEY_dead_cedilla, "\u00B8"},
    {XKB_KEY_dead_ogonek, "\u02DB"},
    {XKB_KEY_dead_iota, "\u037A"},
    {XKB_KEY_dead_voiced_sound, "\u309B"},
    {XKB_KEY_dead_semivoiced_sound, "\u309C"},
}};

}  // namespace

std::string keysymText(std::uint32_t keysym) {
  for (const auto& [dead, text] : kDeadKeyTexts) {
    if (dead == keysym) return text;
  }
  char buffer[16] = {};
  const int written = xkb_keysym_to_utf8(keysym, buffer, sizeof buffer);
  // The count includes the terminating zero; 0 means no text, -1 a buffer too small.
  if (written <= 1) return {};
  return std::string(buffer, static_cast<std::size_t>(written - 1));
}

std::string keysymNameForCharacter(std::string_view utf8) {
  // One UTF-8 sequence, decoded by hand: the lead byte gives its length.
  if (utf8.empty()) return {};
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
  std::size_t length = 1;
  char32_t codePoint = byte(0);
  if (byte(0) >= 0xF0) {
    length = 4;
    codePoint = byte(0) & 0x07;
  } else if (byte(0) >= 0xE0) {
    length = 3;
    codePoint = byte(0) & 0x0F;
  } else if (byte(0) >= 0xC0) {
    length = 2;
    codePoint = byte(0) & 0x1F;
  } else if (byte(0) >= 0x80) {
    return {};
  }
  if (utf8.size() != length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    codePoint = (codePoint << 6) | (byte(i) & 0x3F);
  }
  const xkb_keysym_t keysym = xkb_utf32_to_keysym(codePoint);
  if (keysym == XKB_KEY_NoSymbol) return {};
  char name[64] = {};
  if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return {};
  return name;
}

}  // namespace marbrel
