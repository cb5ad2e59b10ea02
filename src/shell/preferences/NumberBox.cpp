#include "shell/preferences/NumberBox.h"

#include <algorithm>

#include <QSignalBlocker>

namespace marbrel {

NumberBox::NumberBox(const NumberSetting& setting, Texts texts, const char* name, QWidget* parent)
    : QSpinBox(parent), placeholder_(QString::fromLatin1(setting.placeholder)), texts_(std::move(texts)) {
  setObjectName(QString::fromLatin1(name));
  setRange(static_cast<int>(setting.minimum), static_cast<int>(setting.maximum));
  setSpecialValueText(texts_.minimum);
  setKeyboardTracking(false);
  setAccelerated(true);
  surround(value());
  connect(this, &QSpinBox::valueChanged, this, [this](int value) { surround(value); });
}

void NumberBox::showValue(std::int64_t value) {
  const int shown = static_cast<int>(std::clamp<std::int64_t>(value, minimum(), maximum()));
  {
    const QSignalBlocker quiet(this);
    setValue(shown);
  }
  surround(shown);
}

void NumberBox::surround(int value) {
  const QString& text = value == 1 && !texts_.one.isEmpty() ? texts_.one : texts_.many;
  const qsizetype at = text.indexOf(placeholder_);
  if (at < 0) return;
  setPrefix(text.left(at));
  setSuffix(text.mid(at + placeholder_.size()));
}

}  // namespace marbrel
