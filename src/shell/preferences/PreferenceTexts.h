#pragma once

#include <QString>

namespace marbrel {

class Strings;

// The preference window's own texts (control labels, pop-up items): looked up in the string table
// by key like every other text, with English shipped here for keys the table does not know yet.
class PreferenceTexts {
 public:
  // Not owned; outlives this object.
  explicit PreferenceTexts(const Strings& strings) : strings_(strings) {}

  // The table's text for `key`; this window's English text when the table has none; else the key.
  QString text(const char* key) const;

  // The English text this window ships for `key`, or a null string.
  static QString english(const char* key);

 private:
  const Strings& strings_;
};

}  // namespace marbrel
