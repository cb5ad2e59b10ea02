#pragma once

#include <cstdint>

#include <QSpinBox>
#include <QString>

#include "core/app/PreferenceControls.h"

namespace marbrel {

// A spin box for a number setting: any value of the setting's range can be typed or stepped to, and
// the words around the number follow it ("1 entry", "200 entries", or a word such as "All" for the
// lowest value). A typed value counts once Return is pressed or the box is left, not at each digit.
class NumberBox : public QSpinBox {
 public:
  // The texts around the value. `many` and `one` (for 1; empty: `many`) hold the setting's
  // placeholder: what stands before it shows before the number, what follows after it
  // ("{historySize} entries"). `minimum`, when not empty, shows in place of the lowest value.
  struct Texts {
    QString many;
    QString one;
    QString minimum;
  };

  NumberBox(const NumberSetting& setting, Texts texts, const char* name, QWidget* parent);

  // Shows `value` (clamped to the range) without reporting a change.
  void showValue(std::int64_t value);

 private:
  void surround(int value);

  const QString placeholder_;
  const Texts texts_;
};

}  // namespace marbrel
