#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace marbrel {

// The desktop's settings as the XSETTINGS manager publishes them: the bytes of its
// _XSETTINGS_SETTINGS property parsed into named integers, strings and colours. Parsing is strict
// about bounds and lenient about content: a damaged blob gives no settings, never a crash.
class XSettings {
 public:
  struct Color {
    std::uint16_t red = 0, green = 0, blue = 0, alpha = 0;
  };

  // The settings held by `blob`, or nothing when it is truncated or malformed.
  static std::optional<XSettings> parse(std::string_view blob);

  std::uint32_t serial() const { return serial_; }
  std::size_t size() const { return integers_.size() + strings_.size() + colors_.size(); }
  std::optional<std::int32_t> integer(const std::string& name) const;
  std::optional<std::string> string(const std::string& name) const;
  std::optional<Color> color(const std::string& name) const;

 private:
  std::uint32_t serial_ = 0;
  std::map<std::string, std::int32_t> integers_;
  std::map<std::string, std::string> strings_;
  std::map<std::string, Color> colors_;
};

}  // namespace marbrel
