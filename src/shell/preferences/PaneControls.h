#pragma once

#include <QString>

#include "core/app/PreferenceControls.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QSlider;
class QWidget;

namespace marbrel {

// Small helpers the preference panes share to make their controls and move values in and out.
namespace pane_controls {

ButtonState stateOf(const QCheckBox& box);
// Sets the box without it reporting a change.
void setState(QCheckBox& box, ButtonState state);

QSlider* makeSlider(const SliderSetting& setting, QWidget* parent);
// Sets the slider without it reporting a change.
void setValue(QSlider& slider, int value);
// The label beside a slider, wide enough for the slider's largest value.
QLabel* makeValueLabel(const QString& layoutText, const SliderSetting& setting, const char* name, QWidget* parent);
// The label's text for a value: the layout text with its placeholder replaced.
void showValue(QLabel& label, const QString& layoutText, const SliderSetting& setting, int value);

// Selects the item with `tag` (its data) without the pop-up reporting a change.
void selectItemWithTag(QComboBox& button, int tag);
int selectedTag(const QComboBox& button);

// A row of the pane's form: a right-aligned label, then the control.
void addRow(QFormLayout& form, const QString& label, QWidget* control);

}  // namespace pane_controls

}  // namespace marbrel
