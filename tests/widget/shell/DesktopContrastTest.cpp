#include <cstdint>
#include <optional>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "shell/x11/DesktopContrast.h"
#include "shell/x11/XSettings.h"

namespace marbrel {
namespace {

// Writes XSETTINGS blobs as a settings manager does, in either byte order.
struct Blob {
  bool big = false;
  std::string body;
  std::uint32_t count = 0;

  std::string card(std::uint32_t value, int bytes) const {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(char(value >> 8 * (big ? bytes - 1 - i : i)));
    return out;
  }
  static std::string padded(const std::string& text) { return text + std::string((4 - text.size() % 4) % 4, '\0'); }
  Blob& add(char type, const std::string& name, const std::string& value) {
    ++count;
    body += std::string{type, '\0'} + card(std::uint32_t(name.size()), 2) + padded(name) + card(0, 4) + value;
    return *this;
  }
  Blob& string(const std::string& name, const std::string& v) { return add(1, name, card(v.size(), 4) + padded(v)); }
  Blob& integer(const std::string& name, std::int32_t value) { return add(0, name, card(std::uint32_t(value), 4)); }
  Blob& color(const std::string& name) { return add(2, name, std::string(8, '\x11')); }
  std::string bytes() const {  // serial 7
    return std::string{big ? '\1' : '\0', '\0', '\0', '\0'} + card(7, 4) + card(count, 4) + body;
  }
};

// A damaged blob (cut anywhere, impossible fields, noise) gives nothing and reads nothing past its end.
TEST(XSettingsTest, ReadsEveryTypeInBothByteOrdersAndDamagedBlobsGiveNothing) {
  const auto empty = XSettings::parse(Blob().bytes());
  ASSERT_TRUE(empty && empty->size() == 0u) << "an empty list is valid";
  for (const bool big : {false, true}) {
    const auto settings = XSettings::parse(Blob{big, {}, 0}
                                               .string("Net/ThemeName", "HighContrast")
                                               .integer("Xft/DPI", -98304)
                                               .color("Gtk/Color")
                                               .string("Gtk/FontName", "Cantarell 11")
                                               .bytes());
    ASSERT_TRUE(settings) << "big endian: " << big;
    EXPECT_EQ(std::make_pair(settings->serial(), settings->size()), std::make_pair(7u, std::size_t(4)));
    EXPECT_EQ(settings->string("Net/ThemeName"), "HighContrast");
    EXPECT_EQ(settings->string("Gtk/FontName"), "Cantarell 11") << "read past the colour before it";
    EXPECT_EQ(settings->integer("Xft/DPI"), -98304);
  }

  const std::string good = Blob().string("Net/ThemeName", "Adwaita").integer("Xft/Hinting", 1).bytes();
  for (std::size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(XSettings::parse(std::string_view(good).substr(0, length))) << "cut at " << length;
  }
  // The byte order, a setting's type, the count and the string's length word, each made impossible.
  for (const auto& [at, width, why] : {std::tuple<std::size_t, std::size_t, const char*>{0, 1, "byte order"},
                                       {12, 1, "setting type"}, {8, 4, "count"}, {36, 4, "string length"}}) {
    std::string bad = good;
    bad.replace(at, width, width, width == 1 ? char(9) : char(0xff));
    EXPECT_FALSE(XSettings::parse(bad)) << why;
  }
  std::string noise;  // whatever arbitrary bytes give, parsing ends
  for (int i = 0; i < 4096; ++i) {
    noise.push_back(char((i * 131 + 17) % 251));
    XSettings::parse(noise);
  }
}

// GTK_THEME, when set and not empty, wins over the settings manager's theme; damage means no contrast.
TEST(DesktopContrastTest, AHighContrastThemeFromGtkThemeOrTheSettingsManagerAsksForContrast) {
  const std::string highContrast = Blob().string("Net/ThemeName", "HighContrast").bytes();
  const std::string adwaita = Blob().string("Net/ThemeName", "Adwaita").bytes();
  const std::tuple<const char*, std::optional<std::string>, bool> rows[] = {
      {"HighContrastInverse", adwaita, true}, {"high-contrast", {}, true}, {"High Contrast", {}, true},
      {"Adwaita-HighContrast:dark", {}, true}, {"Contrast", {}, false}, {"HighC0ntrast", {}, false},
      {nullptr, adwaita, false}, {"Adwaita", highContrast, false}, {"", highContrast, true},
      {nullptr, std::nullopt, false}, {nullptr, std::string("\x00\x01\x02", 3), false},
      {nullptr, Blob().integer("Net/ThemeName", 1).bytes(), false},  // a theme name of the wrong type
  };
  for (const auto& [gtkTheme, blob, asks] : rows) {
    EXPECT_EQ(DesktopContrast::asksForContrast(gtkTheme, blob), asks) << (gtkTheme ? gtkTheme : "unset");
  }
}

}  // namespace
}  // namespace marbrel
