#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace marbrel {

// Decides whether the desktop asks programs for increased contrast. Linux desktops say so through
// the theme they select: GNOME's high-contrast setting switches the XSETTINGS "Net/ThemeName" to
// "HighContrast" (or "HighContrastInverse"), and GTK_THEME, when set, overrides it for the session.
class DesktopContrast {
 public:
  // Whether a theme name ("HighContrast", "Adwaita:dark", ...) is a high-contrast theme. The check
  // ignores case and the separators themes put between words ("high-contrast", "High Contrast").
  static bool themeAsksForContrast(std::string_view themeName);

  // The decision for a session: `gtkTheme` is the GTK_THEME variable (null when unset) and
  // `xsettingsBlob` the XSETTINGS manager's settings bytes (nothing when no manager runs).
  static bool asksForContrast(const char* gtkTheme, const std::optional<std::string>& xsettingsBlob);
};

}  // namespace marbrel
