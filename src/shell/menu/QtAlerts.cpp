#include "shell/menu/QtAlerts.h"

#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "core/platform/Strings.h"
#include "shell/menu/MenuImages.h"

namespace marbrel {

int QtAlerts::runModal(const Alert& alert) {
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
  QMessageBox box;
  box.setWindowTitle(QStringLiteral("Marbrel"));
  box.setWindowIcon(ApplicationImages::applicationIcon());
  box.setText(QString::fromStdString(strings_.localized(alert.messageKey)));
  if (!alert.informativeKey.empty()) {
    QString informative = QString::fromStdString(strings_.localized(alert.informativeKey));
    // Each argument takes the lowest-numbered "%n" left, so they fill "%1", "%2"… in order.
    for (const std::string& argument : alert.informativeArguments) {
      informative = informative.arg(QString::fromStdString(argument));
    }
    box.setInformativeText(informative);
  }
  switch (alert.style) {
    case Style::warning: box.setIcon(QMessageBox::Warning); break;
    case Style::informational: box.setIcon(QMessageBox::Information); break;
    case Style::critical: box.setIcon(QMessageBox::Critical); break;
  }
  std::vector<QPushButton*> buttons;
  for (const std::string& key : alert.buttonKeys) {
    // One role for all keeps them in the order they were added.
    buttons.push_back(box.addButton(QString::fromStdString(strings_.localized(key)), QMessageBox::ActionRole));
  }
  if (buttons.empty()) buttons.push_back(box.addButton(QMessageBox::Ok));
  box.setDefaultButton(buttons.front());
  box.setEscapeButton(buttons.front());
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return kFirstButtonReturn + int(i);
  }
  return kFirstButtonReturn;
}

}  // namespace marbrel
