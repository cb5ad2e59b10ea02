#include "shell/qt/EnglishTranslator.h"

#include "shell/qt/EnglishTexts.h"

namespace marbrel {

QString EnglishTranslator::translate(const char* context, const char* sourceText, const char*, int) const {
  // qtTrId asks with no context and the id as the source text.
  if (context && *context) return {};
  return EnglishTexts::text(sourceText);
}

}  // namespace marbrel
