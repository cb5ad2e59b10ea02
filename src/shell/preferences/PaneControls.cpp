#include "shell/preferences/PaneControls.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace marbrel::pane_controls {

namespace {

constexpr int kMargin = 20;

QWidget* box(QBoxLayout::Direction direction, std::initializer_list<QWidget*> widgets, QWidget* parent) {
  auto* holder = new QWidget(parent);
  auto* layout = new QBoxLayout(direction, holder);
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* widget : widgets) layout->addWidget(widget);
  return holder;
}

}  // namespace

QCheckBox* makeCheckBox(const QString& text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

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

QComboBox* makePopUp(const char* name, std::initializer_list<QString> items, QWidget* parent) {
  auto* button = new QComboBox(parent);
  button->setObjectName(QString::fromLatin1(name));
  int tag = 0;
  for (const QString& item : items) button->addItem(item, tag++);
  return button;
}

void selectItemWithTag(QComboBox& button, int tag) {
  const QSignalBlocker quiet(button);
  const int index = button.findData(tag);
  if (index >= 0) button.setCurrentIndex(index);
}

int selectedTag(const QComboBox& button) { return button.currentData().toInt(); }

QFormLayout* makeForm(QWidget* pane) {
  auto* form = new QFormLayout(pane);
  form->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  return form;
}

void addRow(QFormLayout& form, const QString& label, QWidget* control, QWidget* buddy) {
  auto* title = new QLabel(label);
  title->setBuddy(buddy ? buddy : control);
  form.addRow(title, control);
}

QWidget* column(std::initializer_list<QWidget*> widgets, QWidget* parent) {
  return box(QBoxLayout::TopToBottom, widgets, parent);
}

QWidget* row(std::initializer_list<QWidget*> widgets, QWidget* parent) {
  QWidget* holder = box(QBoxLayout::LeftToRight, widgets, parent);
  static_cast<QBoxLayout*>(holder->layout())->addStretch();
  return holder;
}

}  // namespace marbrel::pane_controls
