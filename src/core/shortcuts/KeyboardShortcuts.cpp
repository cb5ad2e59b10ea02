#include "core/shortcuts/KeyboardShortcuts.h"

#include <limits>

#include "core/config/Defaults.h"
#include "core/platform/NotificationCenter.h"

namespace marbrel {
namespace {

bool fitsInUInt32(std::int64_t value) {
  return value >= 0 && value <= static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max());
}

}  // namespace

KeyboardShortcuts::KeyboardShortcuts(Defaults& defaults, HotKeyService& hotKeys, NotificationCenter& notifications)
    : defaults_(defaults), hotKeys_(hotKeys), notifications_(notifications) {}

KeyboardShortcuts::~KeyboardShortcuts() {
  // The service and the settings outlive us: leave them neither our grabs nor callbacks into us.
  for (const auto& [id, hotKey] : hotKeysById_) {
    if (hotKey.registration) hotKeys_.unregisterHotKey(*hotKey.registration);
  }
  if (handlerInstalled_) hotKeys_.installHandler({});
  for (const auto& [rawValue, watch] : watches_) defaults_.removeObserver(watch.observer);
}

Name KeyboardShortcuts::createName(const Name& name) {
  watch(name);
  if (name.defaultShortcut && !defaults_.objectForKey(name.defaultsKey())) {
    setShortcut(name.defaultShortcut, name);
  }
  return name;
}

std::optional<Shortcut> KeyboardShortcuts::getShortcut(const Name& name) const {
  const auto text = defaults_.stringForKey(name.defaultsKey());
  if (!text) return std::nullopt;
  return Shortcut::fromJson(*text);
}

bool KeyboardShortcuts::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
  Watch& watched = watch(name);
  const auto old = getShortcut(name);
  if (!shortcut) {
    if (!old) return true;
    watched.followed = std::nullopt;  // so that the write below is not taken for another writer's
    defaults_.set(name.defaultsKey(), false);
    releaseShortcut(*old, name);
    postChange(name);
    return true;
  }
  // The new hot key first: when the desktop refuses it, the old one must still be in place.
  if (!isRegistered(*shortcut) && !registerShortcut(*shortcut)) return false;
  if (old && *old != *shortcut) releaseShortcut(*old, name);
  watched.followed = shortcut;
  defaults_.set(name.defaultsKey(), shortcut->toJson());
  postChange(name);
  return true;
}

void KeyboardShortcuts::onKeyDown(const Name& name, Action action) {
  addAction(keyDownActions_, name, std::move(action));
}

void KeyboardShortcuts::onKeyUp(const Name& name, Action action) {
  addAction(keyUpActions_, name, std::move(action));
}

void KeyboardShortcuts::addAction(ActionMap& map, const Name& name, Action action) {
  watch(name);
  auto it = map.begin();
  while (it != map.end() && !(it->first == name)) ++it;
  if (it == map.end()) {
    map.emplace_back(name, std::vector<Action>{});
    it = std::prev(map.end());
  }
  it->second.push_back(std::move(action));
  // A registration that failed earlier is tried again here.
  if (const auto shortcut = getShortcut(name); shortcut && !isRegistered(*shortcut)) registerShortcut(*shortcut);
}

std::vector<Shortcut> KeyboardShortcuts::systemReservedShortcuts() const {
  std::vector<Shortcut> result;
  for (const auto& reserved : hotKeys_.systemReservedHotKeys()) {
    if (!reserved.enabled) continue;
    const auto modifiers = Shortcut::carbonFromCocoa(Shortcut::cocoaFromCarbon(reserved.carbonModifiers));
    result.push_back(Shortcut{reserved.keyCode, modifiers});
  }
  return result;
}

bool KeyboardShortcuts::handleHotKeyEvent(const HotKeyService::Event& event) {
  if (event.hotKeyId.signature != kSignature) return false;
  const auto it = hotKeysById_.find(event.hotKeyId.id);
  if (it == hotKeysById_.end()) return false;
  const Shortcut shortcut = it->second.shortcut;
  switch (event.kind) {
    case HotKeyService::EventKind::pressed:
      dispatch(keyDownActions_, shortcut);
      return true;
    case HotKeyService::EventKind::released:
      dispatch(keyUpActions_, shortcut);
      return true;
  }
  return false;
}

void KeyboardShortcuts::activate(const Name& name, HotKeyService::EventKind kind) {
  if (paused_) return;
  const ActionMap& map = kind == HotKeyService::EventKind::pressed ? keyDownActions_ : keyUpActions_;
  // Actions may attach actions or change shortcuts: run over a copy taken now.
  std::vector<Action> actions;
  for (const auto& [named, attached] : map) {
    if (named == name) actions = attached;
  }
  for (const auto& action : actions) action();
}

bool KeyboardShortcuts::registerShortcut(const Shortcut& shortcut) {
  // Every attempt uses up an id, even one that fails.
  const std::uint32_t id = ++lastHotKeyId_;
  if (!fitsInUInt32(shortcut.carbonKeyCode) || !fitsInUInt32(shortcut.carbonModifiers)) return false;
  const auto registration = grab(shortcut, id);
  if (!registration) return false;
  hotKeysById_[id] = HotKey{shortcut, registration};
  if (paused_) {
    // Registered to learn whether the desktop accepts it; held only once recording is over.
    hotKeys_.unregisterHotKey(*registration);
    hotKeysById_[id].registration = std::nullopt;
  }
  registered_.insert(shortcut);
  if (!handlerInstalled_) {
    handlerInstalled_ = hotKeys_.installHandler([this](const HotKeyService::Event& event) {
      return handleHotKeyEvent(event);
    });
  }
  return true;
}

std::optional<HotKeyService::Registration> KeyboardShortcuts::grab(const Shortcut& shortcut, std::uint32_t id) {
  return hotKeys_.registerHotKey(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                                 static_cast<std::uint32_t>(shortcut.carbonModifiers),
                                 HotKeyService::HotKeyId{kSignature, id});
}

void KeyboardShortcuts::unregisterShortcut(const Shortcut& shortcut) {
  for (auto it = hotKeysById_.begin(); it != hotKeysById_.end();) {
    if (it->second.shortcut == shortcut) {
      if (it->second.registration) hotKeys_.unregisterHotKey(*it->second.registration);
      it = hotKeysById_.erase(it);
    } else {
      ++it;
    }
  }
  registered_.erase(shortcut);
}

void KeyboardShortcuts::releaseShortcut(const Shortcut& shortcut, const Name& owner) {
  // Two names may share one combination; it stays registered while another name with actions has it.
  for (const ActionMap* map : {&keyDownActions_, &keyUpActions_}) {
    for (const auto& [name, actions] : *map) {
      if (!(name == owner) && getShortcut(name) == shortcut) return;
    }
  }
  unregisterShortcut(shortcut);
}

void KeyboardShortcuts::dispatch(const ActionMap& map, const Shortcut& shortcut) {
  if (paused_) return;
  // Actions may attach actions or change shortcuts: run over a copy taken now.
  const ActionMap snapshot = map;
  for (const auto& [name, actions] : snapshot) {
    if (getShortcut(name) != shortcut) continue;
    for (const auto& action : actions) action();
  }
}

void KeyboardShortcuts::postChange(const Name& name) {
  notifications_.post(Notification{kShortcutByNameDidChange, {{"name", std::any(name)}}});
}

KeyboardShortcuts::Watch& KeyboardShortcuts::watch(const Name& name) {
  auto it = watches_.find(name.rawValue);
  if (it != watches_.end()) return it->second;
  Watch& watched = watches_[name.rawValue];
  watched.name = name;
  watched.followed = getShortcut(name);
  watched.observer = defaults_.observe(name.defaultsKey(), [this, rawValue = name.rawValue](const Defaults::Value&) {
    storedValueChanged(rawValue);
  });
  return watched;
}

void KeyboardShortcuts::storedValueChanged(const std::string& rawValue) {
  // Our own writes already moved the registration; only another writer's value differs from the
  // one followed (the `marbrel defaults` command, another instance).
  const auto it = watches_.find(rawValue);
  if (it == watches_.end()) return;
  Watch& watched = it->second;
  const auto stored = getShortcut(watched.name);
  if (stored == watched.followed) return;
  const auto old = watched.followed;
  watched.followed = stored;
  if (old) releaseShortcut(*old, watched.name);
  // A refusal leaves the name stored but without effect, as at launch.
  if (stored && !isRegistered(*stored)) registerShortcut(*stored);
  postChange(watched.name);
}

void KeyboardShortcuts::setPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (paused) {
    suspendHotKeys();
  } else {
    resumeHotKeys();
  }
}

void KeyboardShortcuts::suspendHotKeys() {
  for (auto& [id, hotKey] : hotKeysById_) {
    if (!hotKey.registration) continue;
    hotKeys_.unregisterHotKey(*hotKey.registration);
    hotKey.registration = std::nullopt;
  }
}

void KeyboardShortcuts::resumeHotKeys() {
  for (auto it = hotKeysById_.begin(); it != hotKeysById_.end();) {
    HotKey& hotKey = it->second;
    if (!hotKey.registration) hotKey.registration = grab(hotKey.shortcut, it->first);
    if (hotKey.registration) {
      ++it;
      continue;
    }
    // Another program took the combination meanwhile.
    registered_.erase(hotKey.shortcut);
    it = hotKeysById_.erase(it);
  }
}

}  // namespace marbrel
