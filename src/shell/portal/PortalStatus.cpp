#include "shell/portal/PortalStatus.h"

namespace marbrel {

void PortalStatus::setShortcut(Shortcut state, const QString& trigger) {
  if (state == shortcut_ && trigger == trigger_) return;
  shortcut_ = state;
  trigger_ = trigger;
  Q_EMIT changed();
}

void PortalStatus::setPaste(Paste state) {
  if (state == paste_) return;
  paste_ = state;
  Q_EMIT changed();
}

}  // namespace marbrel
