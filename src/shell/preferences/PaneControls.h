#pragma once

#include <initializer_list>

#include <QString>

#include "core/app/PreferenceControls.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QWidget;

namespace marbrel {

// Small helpers the preference panes share to make their controls and move values in and out.
namespace pane_controls {

QCheckBox* makeCheckBox(const QString& text, const char* name, QWidget* parent);
ButtonState stateOf(const QCheckBox& box);
// Sets the box without it reporting a change.
void setState(QCheckBox& box, ButtonState state);

// A pop-up button whose items are tagged 0, 1, 2… in the order given.
QComboBox* makePopUp(const char* name, std::initializer_list<QString> items, QWidget* parent);
// Selects the item with `tag` (its data) without the pop-up reporting a change.
void selectItemWithTag(QComboBox& button, int tag);
int selectedTag(const QComboBox& button);

// The pane's form: labels right-aligned, controls at their natural size, one per row.
QFormLayout* makeForm(QWidget* pane);
// A row of the pane's form: a right-aligned label, then the control. The label's mnemonic (its
// "&" letter) gives the keyboard focus to `buddy`, or to `control` when there is none.
void addRow(QFormLayout& form, const QString& label, QWidget* control, QWidget* buddy = nullptr);
// The widgets stacked in a column, or side by side in a row followed by a stretch; no margins.
QWidget* column(std::initializer_list<QWidget*> widgets, QWidget* parent);
QWidget* row(std::initializer_list<QWidget*> widgets, QWidget* parent);

}  // namespace pane_controls

}  // namespace marbrel
