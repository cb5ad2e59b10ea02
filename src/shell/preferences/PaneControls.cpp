#include "shell/preferences/PaneControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace marbrel::pane_controls {

namespace {

constexpr int kSliderWidth = 220;

}  // namespace

ButtonState stateOf(const QCheckBox& box) {
  switch (box.checkState()) {
    case Qt::Checked: return ButtonState::on;
    case Qt::PartiallyChecked: return ButtonState::mixed;
    default: return ButtonState::off;
  }
}

void setState(QCheckBox& box, ButtonState state) {
  const QSignalBlocker quiet(box);
  switch (state) {
    case ButtonState::on: box.setCheckState(Qt::Checked); break;
    case ButtonState::mixed: box.setCheckState(Qt::PartiallyChecked); break;
    case ButtonState::off: box.setCheckState(Qt::Unchecked); break;
  }
}

QSlider* makeSlider(const SliderSetting& setting, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(QString::fromLatin1(setting.key) + QStringLiteral("Slider"));
  slider->setRange(static_cast<int>(setting.minimum), static_cast<int>(setting.maximum));
  slider->setSingleStep(1);
  const int span = static_cast<int>(setting.maximum - setting.minimum);
  slider->setPageStep(std::max(1, span / 20));
  slider->setMinimumWidth(kSliderWidth);
  return slider;
}

void setValue(QSlider& slider, int value) {
  const QSignalBlocker quiet(slider);
  slider.setValue(value);
}

QLabel* makeValueLabel(const QString& layoutText, const SliderSetting& setting, const char* name, QWidget* parent) {
  auto* label = new QLabel(layoutText, parent);
  label->setObjectName(QString::fromLatin1(name));
  int widest = 0;
  for (const auto value : {setting.minimum, setting.maximum}) {
    const auto text = sliderLabelText(layoutText.toStdString(), setting.placeholder, value);
    widest = std::max(widest, label->fontMetrics().horizontalAdvance(QString::fromStdString(text)));
  }
  label->setMinimumWidth(widest);
  return label;
}

void showValue(QLabel& label, const QString& layoutText, const SliderSetting& setting, int value) {
  label.setText(QString::fromStdString(sliderLabelText(layoutText.toStdString(), setting.placeholder, value)));
}

void selectItemWithTag(QComboBox& button, int tag) {
  const QSignalBlocker quiet(button);
  const int index = button.findData(tag);
  if (index >= 0) button.setCurrentIndex(index);
}

int selectedTag(const QComboBox& button) { return button.currentData().toInt(); }

void addRow(QFormLayout& form, const QString& label, QWidget* control) {
  auto* title = new QLabel(label);
  title->setBuddy(control);
  form.addRow(title, control);
}

}  // namespace marbrel::pane_controls
