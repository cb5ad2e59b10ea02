#include "core/menu/MenuItem.h"

#include "core/menu/MenuModel.h"

namespace marbrel {

MenuItem::MenuItem(std::string title) { setTitle(std::move(title)); }

const std::string& MenuItem::emptyText() {
  static const std::string empty;
  return empty;
}

std::shared_ptr<MenuItem> MenuItem::makeSeparator() {
  auto item = std::make_shared<MenuItem>();
  item->separator_ = true;
  item->enabled_ = false;
  item->modifierMask_ = 0;
  return item;
}

void MenuItem::changed() {
  if (menu_) menu_->itemChanged();
}

void MenuItem::setTitle(std::string title) {
  if (title == this->title()) return;
  title_ = title.empty() ? nullptr : std::make_shared<const std::string>(std::move(title));
  changed();
}

void MenuItem::setSharedTitle(SharedText title) {
  if (title == title_) return;
  title_ = std::move(title);
  changed();
}

void MenuItem::setImage(MenuImage image) {
  image_ = std::move(image);
  changed();
}

void MenuItem::setOnStateImage(MenuImage image) {
  onStateImage_ = std::move(image);
  changed();
}

void MenuItem::setToolTip(std::string toolTip) {
  if (toolTip == this->toolTip()) return;
  toolTip_ = toolTip.empty() ? nullptr : std::make_shared<const std::string>(std::move(toolTip));
  changed();
}

void MenuItem::setSharedToolTip(SharedText toolTip) {
  if (toolTip == toolTip_) return;
  toolTip_ = std::move(toolTip);
  changed();
}

void MenuItem::setKeyEquivalent(std::string key) {
  if (key == keyEquivalent_) return;
  keyEquivalent_ = std::move(key);
  changed();
}

void MenuItem::setKeyEquivalentModifierMask(std::uint64_t mask) {
  if (mask == modifierMask_) return;
  modifierMask_ = mask;
  changed();
}

void MenuItem::setHidden(bool hidden) {
  if (hidden == hidden_) return;
  hidden_ = hidden;
  changed();
}

void MenuItem::setAlternate(bool alternate) {
  if (alternate == alternate_) return;
  alternate_ = alternate;
  changed();
}

void MenuItem::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  changed();
}

void MenuItem::setState(State state) {
  if (state == state_) return;
  state_ = state;
  changed();
}

void MenuItem::setTag(int tag) {
  if (tag == tag_) return;
  tag_ = tag;
  changed();
}

void MenuItem::performAction() {
  if (!action_) return;
  // The action may drop the last other reference to this item (a rebuild); keep it alive.
  Action action = action_;
  action(*this);
}

}  // namespace marbrel
