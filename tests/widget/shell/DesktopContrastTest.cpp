#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shell/DesktopContrast.h"
#include "shell/XSettings.h"

namespace marbrel {
namespace {

// Writes XSETTINGS blobs as a settings manager does, in either byte order.
class BlobWriter {
 public:
  explicit BlobWriter(bool bigEndian = false) : big_(bigEndian) {}
  BlobWriter& string(const std::string& name, const std::string& value) {
    header(1, name);
    card32(body_, std::uint32_t(value.size()));
    padded(value);
    return *this;
  }
  BlobWriter& integer(const std::string& name, std::int32_t value) {
    header(0, name);
    card32(body_, std::uint32_t(value));
    return *this;
  }
  BlobWriter& color(const std::string& name, std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
    header(2, name);
    for (const std::uint16_t channel : {red, blue, green, std::uint16_t(0xffff)}) card16(body_, channel);
    return *this;
  }
  std::string bytes() const {
    std::string blob(1, big_ ? '\1' : '\0');
    blob.append(3, '\0');
    card32(blob, 7);  // serial
    card32(blob, count_);
    return blob + body_;
  }

 private:
  void header(std::uint8_t type, const std::string& name) {
    ++count_;
    body_.push_back(char(type));
    body_.push_back('\0');
    card16(body_, std::uint16_t(name.size()));
    padded(name);
    card32(body_, 0);  // last change
  }
  void padded(const std::string& text) {
    body_ += text;
    body_.append((4 - text.size() % 4) % 4, '\0');
  }
  void card16(std::string& out, std::uint16_t v) const {
    const char hi = char(v >> 8), lo = char(v & 0xff);
    out.push_back(big_ ? hi : lo);
    out.push_back(big_ ? lo : hi);
  }
  void card32(std::string& out, std::uint32_t v) const {
    card16(out, std::uint16_t(big_ ? v >> 16 : v & 0xffff));
    card16(out, std::uint16_t(big_ ? v & 0xffff : v >> 16));
  }

  bool big_;
  std::string body_;
  std::uint32_t count_ = 0;
};

TEST(XSettingsTest, ReadsStringsIntegersAndColoursInBothByteOrders) {
  for (const bool big : {false, true}) {
    const std::string blob = BlobWriter(big)
                                 .string("Net/ThemeName", "HighContrast")
                                 .integer("Xft/DPI", -98304)
                                 .color("Gtk/Color", 0x1111, 0x2222, 0x3333)
                                 .string("Gtk/FontName", "Cantarell 11")
                                 .bytes();
    const auto settings = XSettings::parse(blob);
    ASSERT_TRUE(settings) << "big endian: " << big;
    EXPECT_EQ(settings->serial(), 7u);
    EXPECT_EQ(settings->size(), 4u);
    EXPECT_EQ(settings->string("Net/ThemeName"), "HighContrast");
    EXPECT_EQ(settings->string("Gtk/FontName"), "Cantarell 11");
    EXPECT_EQ(settings->integer("Xft/DPI"), -98304);
    ASSERT_TRUE(settings->color("Gtk/Color"));
    EXPECT_EQ(settings->color("Gtk/Color")->green, 0x2222) << "colours are stored red, blue, green";
    EXPECT_EQ(settings->color("Gtk/Color")->blue, 0x3333);
    EXPECT_FALSE(settings->string("Xft/DPI")) << "a setting answers only for its own type";
    EXPECT_FALSE(settings->string("Net/IconThemeName"));
  }
}

TEST(XSettingsTest, AnEmptySettingsListIsValid) {
  const auto settings = XSettings::parse(BlobWriter().bytes());
  ASSERT_TRUE(settings);
  EXPECT_EQ(settings->size(), 0u);
}

TEST(XSettingsTest, DamagedBlobsGiveNoSettingsAndNeverReadPastTheEnd) {
  const std::string good = BlobWriter().string("Net/ThemeName", "Adwaita").integer("Xft/Hinting", 1).bytes();
  // Every truncation, including cuts inside a name, a length and a value.
  for (std::size_t length = 0; length < good.size(); ++length) {
    EXPECT_FALSE(XSettings::parse(std::string_view(good).substr(0, length))) << "cut at " << length;
  }
  std::string badOrder = good;
  badOrder[0] = 2;
  EXPECT_FALSE(XSettings::parse(badOrder)) << "unknown byte order";
  std::string badType = good;
  badType[12] = 9;
  EXPECT_FALSE(XSettings::parse(badType)) << "unknown setting type";
  std::string hugeCount = good;
  hugeCount[8] = hugeCount[9] = hugeCount[10] = hugeCount[11] = char(0xff);
  EXPECT_FALSE(XSettings::parse(hugeCount)) << "more settings than the blob can hold";
  std::string hugeString = good;
  // The string's length word follows the 12-byte header, the setting header and the padded name.
  const std::size_t lengthAt = 12 + 4 + 16 + 4;
  for (std::size_t i = 0; i < 4; ++i) hugeString[lengthAt + i] = char(0xff);
  EXPECT_FALSE(XSettings::parse(hugeString)) << "a string longer than the blob";
  // Arbitrary bytes: whatever they give, parsing ends.
  std::string noise;
  for (int i = 0; i < 4096; ++i) {
    noise.push_back(char((i * 131 + 17) % 251));
    XSettings::parse(noise);
  }
}

TEST(DesktopContrastTest, HighContrastThemesAskForContrastWhateverTheirSpelling) {
  for (const char* theme : {"HighContrast", "HighContrastInverse", "highcontrast", "High Contrast",
                            "high-contrast", "HighContrast:dark", "Adwaita-HighContrast"}) {
    EXPECT_TRUE(DesktopContrast::themeAsksForContrast(theme)) << theme;
  }
  for (const char* theme : {"", "Adwaita", "Adwaita:dark", "Breeze", "Contrast", "High", "HighC0ntrast"}) {
    EXPECT_FALSE(DesktopContrast::themeAsksForContrast(theme)) << theme;
  }
}

TEST(DesktopContrastTest, GtkThemeOverridesTheSettingsManagersTheme) {
  const std::string highContrast = BlobWriter().string("Net/ThemeName", "HighContrast").bytes();
  const std::string adwaita = BlobWriter().string("Net/ThemeName", "Adwaita").bytes();
  EXPECT_TRUE(DesktopContrast::asksForContrast(nullptr, highContrast));
  EXPECT_FALSE(DesktopContrast::asksForContrast(nullptr, adwaita));
  EXPECT_FALSE(DesktopContrast::asksForContrast("Adwaita", highContrast));
  EXPECT_TRUE(DesktopContrast::asksForContrast("HighContrast", adwaita));
  EXPECT_TRUE(DesktopContrast::asksForContrast("", highContrast)) << "an empty variable counts as unset";
}

TEST(DesktopContrastTest, NoManagerOrADamagedBlobMeansNoContrast) {
  EXPECT_FALSE(DesktopContrast::asksForContrast(nullptr, std::nullopt));
  EXPECT_FALSE(DesktopContrast::asksForContrast(nullptr, std::string("\x00\x01\x02", 3)));
  EXPECT_FALSE(DesktopContrast::asksForContrast(nullptr, BlobWriter().integer("Net/ThemeName", 1).bytes()))
      << "a theme name of the wrong type";
}

}  // namespace
}  // namespace marbrel
