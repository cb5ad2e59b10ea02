#pragma once

#include <functional>

#include <QString>
#include <QWidget>

#include "core/app/PreferenceControls.h"

class QLabel;
class QSlider;

namespace marbrel {

// A preference slider with its value label beside it. The label follows the knob; the value is
// written when the knob is let go, or at once when it moves by keyboard or click.
class SliderRow : public QWidget {
 public:
  // `layoutText` holds the setting's placeholder; `labelName` is the label's object name.
  // `write` receives each value to store.
  SliderRow(const NumberSetting& setting, const QString& layoutText, const char* labelName,
            std::function<void(int)> write, QWidget* parent);

  // Shows `value` without writing it.
  void showValue(int value);

  QSlider* slider() const { return slider_; }
  QLabel* label() const { return label_; }

 private:
  void valueChanged(int value);
  void showLabel(int value);

  const NumberSetting& setting_;
  const QString layoutText_;
  const std::function<void(int)> write_;
  QSlider* slider_ = nullptr;
  QLabel* label_ = nullptr;
};

}  // namespace marbrel
