#pragma once

#include <QString>

namespace marbrel {

class Strings;

// The preference window's own texts (control labels, pop-up items): looked up in the string table
// by key like every other text, falling back to the shipped English for keys the table does not know.
class PreferenceTexts {
 public:
  // Not owned; outlives this object.
  explicit PreferenceTexts(const Strings& strings) : strings_(strings) {}

  // The table's text for `key`; the shipped English text when the table has none; else the key.
  QString text(const char* key) const;

 private:
  const Strings& strings_;
};

}  // namespace marbrel
