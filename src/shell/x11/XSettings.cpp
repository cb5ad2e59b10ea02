#include "shell/x11/XSettings.h"

namespace marbrel {

namespace {

enum class SettingType : std::uint8_t { integer = 0, string = 1, color = 2 };

// Reads the blob front to back in the byte order its first byte names; every read checks that
// the bytes are there and a failed read stays failed.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  void setBigEndian(bool big) { big_ = big; }

  std::uint8_t card8() {
    if (!have(1)) return 0;
    return std::uint8_t(bytes_[at_++]);
  }
  std::uint16_t card16() {
    if (!have(2)) return 0;
    const auto a = std::uint16_t(std::uint8_t(bytes_[at_])), b = std::uint16_t(std::uint8_t(bytes_[at_ + 1]));
    at_ += 2;
    return big_ ? std::uint16_t(a << 8 | b) : std::uint16_t(b << 8 | a);
  }
  std::uint32_t card32() {
    const std::uint32_t first = card16(), second = card16();
    return big_ ? (first << 16 | second) : (second << 16 | first);
  }
  void skip(std::size_t count) {
    if (have(count)) at_ += count;
  }
  // `length` bytes of text followed by padding to a multiple of four.
  std::string paddedText(std::size_t length) {
    const std::size_t padded = length + (4 - length % 4) % 4;
    if (padded < length || !have(padded)) return {};
    std::string text(bytes_.substr(at_, length));
    at_ += padded;
    return text;
  }

 private:
  bool have(std::size_t count) {
    if (ok_ && count <= bytes_.size() - at_) return true;
    ok_ = false;
    return false;
  }

  std::string_view bytes_;
  std::size_t at_ = 0;
  bool big_ = false;
  bool ok_ = true;
};

}  // namespace

std::optional<XSettings> XSettings::parse(std::string_view blob) {
  Reader in(blob);
  const std::uint8_t order = in.card8();
  if (!in.ok() || order > 1) return std::nullopt;  // 0: least significant byte first; 1: most
  in.setBigEndian(order == 1);
  in.skip(3);
  XSettings settings;
  settings.serial_ = in.card32();
  const std::uint32_t count = in.card32();
  if (!in.ok()) return std::nullopt;
  // Each setting takes at least 12 bytes, so a count beyond what the blob can hold is a lie that
  // the loop below would only discover late.
  if (count > blob.size() / 12) return std::nullopt;
  for (std::uint32_t i = 0; i < count; ++i) {
    const auto type = SettingType(in.card8());
    in.skip(1);
    const std::uint16_t nameLength = in.card16();
    std::string name = in.paddedText(nameLength);
    in.card32();  // the serial of the setting's last change
    if (!in.ok()) return std::nullopt;
    switch (type) {
      case SettingType::integer:
        settings.integers_[name] = std::int32_t(in.card32());
        break;
      case SettingType::string: {
        const std::uint32_t length = in.card32();
        settings.strings_[name] = in.paddedText(length);
        break;
      }
      case SettingType::color: {
        Color color;
        color.red = in.card16();
        color.blue = in.card16();
        color.green = in.card16();
        color.alpha = in.card16();
        settings.colors_[name] = color;
        break;
      }
      default:
        return std::nullopt;
    }
    if (!in.ok()) return std::nullopt;
  }
  return settings;
}

std::optional<std::int32_t> XSettings::integer(const std::string& name) const {
  const auto it = integers_.find(name);
  if (it == integers_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> XSettings::string(const std::string& name) const {
  const auto it = strings_.find(name);
  if (it == strings_.end()) return std::nullopt;
  return it->second;
}

std::optional<XSettings::Color> XSettings::color(const std::string& name) const {
  const auto it = colors_.find(name);
  if (it == colors_.end()) return std::nullopt;
  return it->second;
}

}  // namespace marbrel
