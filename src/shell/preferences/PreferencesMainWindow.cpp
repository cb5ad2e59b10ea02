#include "shell/preferences/PreferencesMainWindow.h"

namespace marbrel {

PreferencesMainWindow::PreferencesMainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint) {
  setObjectName(QStringLiteral("preferencesWindow"));
  setUnifiedTitleAndToolBarOnMac(true);
  setContextMenuPolicy(Qt::NoContextMenu);
}

void PreferencesMainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (frameChanged_) frameChanged_();
}

void PreferencesMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (frameChanged_) frameChanged_();
}

void PreferencesMainWindow::hideEvent(QHideEvent* event) {
  QMainWindow::hideEvent(event);
  if (frameChanged_) frameChanged_();
}

}  // namespace marbrel
