#include "shell/clipboard/ClipboardFormats.h"

#include <algorithm>
#include <array>
#include <string_view>

#include <QString>

namespace marbrel::clipboard_formats {

namespace {

// The targets that give "text/plain", in the order they are preferred: those with a known encoding
// first.
constexpr std::array<std::string_view, 4> kTextTargets = {"UTF8_STRING", "STRING", "TEXT", "text/plain"};

// The X protocol's own text targets, which carry no MIME type.
bool isTextTarget(const std::string& target) {
  return target == "UTF8_STRING" || target == "STRING" || target == "TEXT";
}

std::size_t textRank(const std::string& target) {
  return std::size_t(std::find(kTextTargets.begin(), kTextTargets.end(), target) - kTextTargets.begin());
}

bool isUpperCase(const std::string& name) {
  return std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

}  // namespace

std::vector<Format> fromTargets(const std::vector<std::string>& targets) {
  std::vector<Format> formats;
  for (const std::string& target : targets) {
    const std::string type = isTextTarget(target) ? std::string("text/plain") : target;
    if (type.empty() || type.rfind("application/x-qt-", 0) == 0) continue;  // Qt's own inventions
    const bool mimeType = type.find('/') != std::string::npos;
    // A protocol target is an atom name in upper case (TARGETS, SAVE_TARGETS, UTF8_STRING);
    // markers that programs add are named in mixed case ("x-kde-passwordManagerHint").
    if (!mimeType && isUpperCase(type)) continue;
    auto format = std::find_if(formats.begin(), formats.end(), [&](const Format& f) { return f.type == type; });
    if (format == formats.end()) format = formats.insert(formats.end(), Format{type, {}});
    if (mimeType && std::find(format->targets.begin(), format->targets.end(), target) == format->targets.end()) {
      format->targets.push_back(target);
    }
  }
  for (Format& format : formats) {
    if (format.type != "text/plain") continue;
    std::stable_sort(format.targets.begin(), format.targets.end(),
                     [](const std::string& a, const std::string& b) { return textRank(a) < textRank(b); });
  }
  return formats;
}

std::string decode(const std::string& target, std::string bytes) {
  if (!isTextTarget(target)) return bytes;
  if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
  const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
  const QString text = target == "UTF8_STRING" ? QString::fromUtf8(view) : QString::fromLatin1(view);
  return text.toStdString();
}

}  // namespace marbrel::clipboard_formats
