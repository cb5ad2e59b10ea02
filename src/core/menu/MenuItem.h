#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/menu/MenuImage.h"
#include "core/platform/ModifierFlags.h"

namespace marbrel {

class MenuModel;

// The modifier flags menu items and key events carry.
namespace modifier_flags = cocoa_flags;

// One row of a toolkit-neutral menu: what it shows, how it is reached by keyboard, and what
// choosing it does. An item belongs to at most one menu; changing it tells that menu to redraw.
class MenuItem {
 public:
  using Action = std::function<void(MenuItem&)>;
  // Texts that many items may show at once are shared rather than copied.
  using SharedText = std::shared_ptr<const std::string>;
  enum class State { off, on };

  MenuItem() = default;
  explicit MenuItem(std::string title);
  virtual ~MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  // A new separator line.
  static std::shared_ptr<MenuItem> makeSeparator();

  const std::string& title() const { return title_ ? *title_ : emptyText(); }
  void setTitle(std::string title);
  void setSharedTitle(SharedText title);
  const MenuImage& image() const { return image_; }
  void setImage(MenuImage image);
  // Shown in place of the state mark while the state is on.
  const MenuImage& onStateImage() const { return onStateImage_; }
  void setOnStateImage(MenuImage image);
  // Empty for none.
  const std::string& toolTip() const { return toolTip_ ? *toolTip_ : emptyText(); }
  void setToolTip(std::string toolTip);
  void setSharedToolTip(SharedText toolTip);
  // The character that chooses the item together with the modifier mask; empty for none.
  const std::string& keyEquivalent() const { return keyEquivalent_; }
  void setKeyEquivalent(std::string key);
  std::uint64_t keyEquivalentModifierMask() const { return modifierMask_; }
  void setKeyEquivalentModifierMask(std::uint64_t mask);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  // An alternate is shown in place of the item before it while its modifiers are held.
  bool isAlternate() const { return alternate_; }
  void setAlternate(bool alternate);
  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool isSeparator() const { return separator_; }
  State state() const { return state_; }
  void setState(State state);
  int tag() const { return tag_; }
  void setTag(int tag);

  // What choosing the item does; performAction() runs it (nothing when there is none).
  void setAction(Action action) { action_ = std::move(action); }
  bool hasAction() const { return static_cast<bool>(action_); }
  void performAction();

  // The menu that holds the item, or null. Not owned.
  MenuModel* menu() const { return menu_; }

 private:
  friend class MenuModel;
  void changed();
  static const std::string& emptyText();

  SharedText title_;
  MenuImage image_;
  MenuImage onStateImage_;
  SharedText toolTip_;
  std::string keyEquivalent_;
  std::uint64_t modifierMask_ = modifier_flags::kCommand;
  bool hidden_ = false;
  bool alternate_ = false;
  bool enabled_ = true;
  bool separator_ = false;
  State state_ = State::off;
  int tag_ = 0;
  Action action_;
  MenuModel* menu_ = nullptr;
};

using MenuItemPtr = std::shared_ptr<MenuItem>;

}  // namespace marbrel
