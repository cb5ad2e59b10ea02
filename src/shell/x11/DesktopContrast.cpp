#include "shell/x11/DesktopContrast.h"

#include <cctype>

#include "shell/x11/XSettings.h"

namespace marbrel {

bool DesktopContrast::themeAsksForContrast(std::string_view themeName) {
  std::string letters;
  for (const char c : themeName) {
    if (std::isalnum(static_cast<unsigned char>(c))) letters.push_back(char(std::tolower(static_cast<unsigned char>(c))));
  }
  return letters.find("highcontrast") != std::string::npos;
}

bool DesktopContrast::asksForContrast(const char* gtkTheme, const std::optional<std::string>& xsettingsBlob) {
  if (gtkTheme && *gtkTheme) return themeAsksForContrast(gtkTheme);
  if (!xsettingsBlob) return false;
  const std::optional<XSettings> settings = XSettings::parse(*xsettingsBlob);
  if (!settings) return false;
  const std::optional<std::string> theme = settings->string("Net/ThemeName");
  return theme && themeAsksForContrast(*theme);
}

}  // namespace marbrel
