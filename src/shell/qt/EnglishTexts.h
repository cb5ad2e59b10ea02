#pragma once

#include <QString>

namespace marbrel {

// The English texts the program ships, by text id: what qtTrId() answers when no other
// translation is loaded, and what the preference window shows for keys the string table lacks.
class EnglishTexts {
 public:
  // The English text for `id`, or a null string when there is none (or `id` is null).
  static QString text(const char* id);
};

}  // namespace marbrel
