#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

namespace marbrel {

// One pane of the preference window: its view, and the identifier, title and icon by which the
// window's toolbar offers it. The pane builds its controls when it is created.
class PreferencePane : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  // Unique among the window's panes; also its toolbar item's identifier.
  virtual QString preferencePaneIdentifier() const = 0;
  // The toolbar item's label, and the window's title while the pane is shown.
  virtual QString preferencePaneTitle() const = 0;
  virtual QIcon toolbarItemIcon() const = 0;

  // Called every time the pane is about to be shown: the controls show the current settings.
  virtual void viewWillAppear() {}
};

}  // namespace marbrel
