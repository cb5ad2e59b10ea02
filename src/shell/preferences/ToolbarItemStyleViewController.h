#pragma once

#include <vector>

#include <QObject>
#include <QPointer>
#include <QStringList>

class QAction;
class QActionGroup;
class QToolBar;

namespace marbrel {

class PreferencePane;
class PreferencesTabViewController;

// Offers the panes as toolbar items (icon above label, in pane order, left-aligned) and marks the
// item of the pane shown. Choosing an item asks the tab view controller to show its pane.
class ToolbarItemStyleViewController : public QObject {
  Q_OBJECT

 public:
  // Items are centred in the toolbar when true; the preference window keeps them at the start.
  static constexpr bool kCenterToolbarItems = false;

  // The panes and the toolbar are not owned; `delegate` is held weakly.
  ToolbarItemStyleViewController(std::vector<PreferencePane*> panes, QToolBar& toolbar,
                                 PreferencesTabViewController* delegate, QObject* parent = nullptr);

  // The allowed, default and selectable items alike: every pane's identifier, in pane order.
  QStringList toolbarItemIdentifiers() const;
  // The item for an identifier; null when no pane has it.
  QAction* toolbarItem(const QString& identifier) const;
  // The identifier of the item shown as selected; empty before any is.
  QString selectedItemIdentifier() const;

  // Shows the item of the pane at `index` as selected.
  void selectTab(int index);
  // An item was chosen: its pane is shown, with animation.
  void toolbarItemSelected(QAction* item);

 private:
  QAction* makeToolbarItem(const QString& identifier);

  std::vector<PreferencePane*> panes_;
  QToolBar& toolbar_;
  QPointer<PreferencesTabViewController> delegate_;
  QActionGroup* group_ = nullptr;
  std::vector<QAction*> items_;
};

}  // namespace marbrel
