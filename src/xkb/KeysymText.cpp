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

}  // namespace marbrel
