#pragma once

#include <QTranslator>

namespace marbrel {

// Answers qtTrId() from the program's shipped English texts (EnglishTexts): installed on the
// application so that qtTrId("confirm") and friends answer in English where nothing else does.
class EnglishTranslator : public QTranslator {
  Q_OBJECT

 public:
  using QTranslator::QTranslator;

  QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                    int n = -1) const override;
  bool isEmpty() const override { return false; }
};

}  // namespace marbrel
