#include "shell/preferences/ToolbarItemStyleViewController.h"

#include <QAction>
#include <QActionGroup>
#include <QToolBar>

#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesTabViewController.h"

namespace marbrel {

ToolbarItemStyleViewController::ToolbarItemStyleViewController(std::vector<PreferencePane*> panes,
                                                               QToolBar& toolbar,
                                                               PreferencesTabViewController* delegate,
                                                               QObject* parent)
    : QObject(parent), panes_(std::move(panes)), toolbar_(toolbar), delegate_(delegate) {
  group_ = new QActionGroup(this);
  group_->setExclusive(true);
  for (const QString& identifier : toolbarItemIdentifiers()) {
    if (QAction* item = makeToolbarItem(identifier)) {
      items_.push_back(item);
      toolbar_.addAction(item);
    }
  }
}

QStringList ToolbarItemStyleViewController::toolbarItemIdentifiers() const {
  QStringList identifiers;
  for (const PreferencePane* pane : panes_) identifiers.append(pane->preferencePaneIdentifier());
  return identifiers;
}

QAction* ToolbarItemStyleViewController::makeToolbarItem(const QString& identifier) {
  for (PreferencePane* pane : panes_) {
    if (pane->preferencePaneIdentifier() != identifier) continue;
    auto* item = new QAction(pane->toolbarItemIcon(), pane->preferencePaneTitle(), group_);
    item->setObjectName(identifier);
    item->setData(identifier);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, item] { toolbarItemSelected(item); });
    return item;
  }
  return nullptr;
}

QAction* ToolbarItemStyleViewController::toolbarItem(const QString& identifier) const {
  for (QAction* item : items_) {
    if (item->data().toString() == identifier) return item;
  }
  return nullptr;
}

QString ToolbarItemStyleViewController::selectedItemIdentifier() const {
  const QAction* checked = group_->checkedAction();
  return checked ? checked->data().toString() : QString();
}

void ToolbarItemStyleViewController::selectTab(int index) {
  if (index < 0 || index >= static_cast<int>(panes_.size())) return;
  if (QAction* item = toolbarItem(panes_[index]->preferencePaneIdentifier())) item->setChecked(true);
}

void ToolbarItemStyleViewController::toolbarItemSelected(QAction* item) {
  const QString identifier = item->data().toString();
  for (std::size_t index = 0; index < panes_.size(); ++index) {
    if (panes_[index]->preferencePaneIdentifier() != identifier) continue;
    if (delegate_) delegate_->activateTab(static_cast<int>(index), true);
    return;
  }
}

}  // namespace marbrel
