#pragma once

#include <QTranslator>

namespace marbrel {

// The program's English texts, looked up by text id: installed on the application so that
// qtTrId("confirm") and friends answer in English wherever no other translation was loaded.
class EnglishTranslator : public QTranslator {
  Q_OBJECT

 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
  bool isEmpty() const override { return false; }

  // The English text for an id, or a null string when there is none.
  static QString text(const char* id);
};

}  // namespace marbrel
