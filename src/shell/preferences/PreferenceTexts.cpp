#include "shell/preferences/PreferenceTexts.h"

#include "core/platform/Strings.h"
#include "shell/qt/EnglishTexts.h"

namespace marbrel {

QString PreferenceTexts::text(const char* key) const {
  const std::string localized = strings_.localized(key);
  // The table answers the key itself when it has no text for it.
  if (!localized.empty() && localized != key) return QString::fromStdString(localized);
  const QString shipped = EnglishTexts::text(key);
  return shipped.isNull() ? QString::fromUtf8(key) : shipped;
}

}  // namespace marbrel
