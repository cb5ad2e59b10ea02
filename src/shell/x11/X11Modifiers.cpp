#include "shell/x11/X11Modifiers.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace marbrel {

X11Modifiers X11Modifiers::read(_XDisplay* display) {
  X11Modifiers result;
  result.control = ControlMask;
  result.shift = ShiftMask;
  result.capsLock = LockMask;
  if (!display) return result;
  XModifierKeymap* map = XGetModifierMapping(display);
  if (!map) return result;
  // Which of Mod1...Mod5 carry Alt, Super and Num Lock depends on the mapping.
  for (int modifier = 0; modifier < 8; ++modifier) {
    for (int k = 0; k < map->max_keypermod; ++k) {
      const KeyCode code = map->modifiermap[modifier * map->max_keypermod + k];
      if (code == 0) continue;
      result.modifierKeyCodes.push_back(code);
      if (modifier < Mod1MapIndex) continue;
      const KeySym sym = XkbKeycodeToKeysym(display, code, 0, 0);
      const std::uint16_t bit = std::uint16_t(1u << modifier);
      if (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R) {
        if (!result.alt) result.alt = bit;
      } else if (sym == XK_Super_L || sym == XK_Super_R) {
        if (!result.super) result.super = bit;
      } else if (sym == XK_Num_Lock) {
        result.numLock = bit;
      }
    }
  }
  XFreeModifiermap(map);
  if (!result.alt) result.alt = Mod1Mask;
  if (!result.super) result.super = Mod4Mask;
  return result;
}

std::uint16_t X11Modifiers::maskForCarbon(std::uint32_t carbonModifiers) const {
  std::uint16_t mask = 0;
  if (carbonModifiers & 0x100) mask |= control;
  if (carbonModifiers & 0x200) mask |= shift;
  if (carbonModifiers & 0x800) mask |= alt;
  if (carbonModifiers & 0x1000) mask |= super;
  return mask;
}

}  // namespace marbrel
