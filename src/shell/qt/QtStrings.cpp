#include "shell/qt/QtStrings.h"

#include <string>

#include <QString>

namespace marbrel {

std::string QtStrings::localized(std::string_view key) const {
  const std::string id(key);
  // qtTrId answers the id itself when no translator knows it, which is the fallback we want.
  return qtTrId(id.c_str()).toStdString();
}

}  // namespace marbrel
