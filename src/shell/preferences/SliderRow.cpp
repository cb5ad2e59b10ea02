#include "shell/preferences/SliderRow.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

namespace marbrel {

namespace {

constexpr int kSliderWidth = 220;

}  // namespace

SliderRow::SliderRow(const NumberSetting& setting, const QString& layoutText, const char* labelName,
                     std::function<void(int)> write, QWidget* parent)
    : QWidget(parent), setting_(setting), layoutText_(layoutText), write_(std::move(write)) {
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QString::fromLatin1(setting.key) + QStringLiteral("Slider"));
  slider_->setRange(static_cast<int>(setting.minimum), static_cast<int>(setting.maximum));
  slider_->setSingleStep(1);
  const int span = static_cast<int>(setting.maximum - setting.minimum);
  slider_->setPageStep(std::max(1, span / 20));
  slider_->setMinimumWidth(kSliderWidth);

  // Until the pane first appears the label shows its layout text; it is wide enough for any value.
  label_ = new QLabel(layoutText, this);
  label_->setObjectName(QString::fromLatin1(labelName));
  int widest = 0;
  for (const auto value : {setting.minimum, setting.maximum}) {
    const auto text = sliderLabelText(layoutText.toStdString(), setting.placeholder, value);
    widest = std::max(widest, label_->fontMetrics().horizontalAdvance(QString::fromStdString(text)));
  }
  label_->setMinimumWidth(widest);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(slider_);
  row->addWidget(label_);

  connect(slider_, &QSlider::valueChanged, this, [this](int value) { valueChanged(value); });
  connect(slider_, &QSlider::sliderReleased, this, [this] { write_(slider_->value()); });
}

void SliderRow::showValue(int value) {
  {
    const QSignalBlocker quiet(slider_);
    slider_->setValue(value);
  }
  // The slider clamps the value to its range; the label shows what the slider holds.
  showLabel(slider_->value());
}

void SliderRow::valueChanged(int value) {
  showLabel(value);
  // While the knob is dragged only the label follows; the value is written when it is let go.
  if (!slider_->isSliderDown()) write_(value);
}

void SliderRow::showLabel(int value) {
  label_->setText(QString::fromStdString(sliderLabelText(layoutText_.toStdString(), setting_.placeholder, value)));
}

}  // namespace marbrel
