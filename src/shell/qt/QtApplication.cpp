#include "shell/qt/QtApplication.h"

#include <QApplication>
#include <QWidget>

namespace marbrel {

void QtApplication::stop() { QCoreApplication::exit(0); }

void QtApplication::activateIgnoringOtherApps() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->isVisible() && !(window->windowFlags() & Qt::Popup)) {
      window->raise();
      window->activateWindow();
    }
  }
}

}  // namespace marbrel
