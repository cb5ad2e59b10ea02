#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/HotKeyService.h"
#include "core/shortcuts/Name.h"
#include "core/shortcuts/Shortcut.h"

namespace marbrel {

class Defaults;
class NotificationCenter;

// The named global shortcuts: stores each name's shortcut in the settings, keeps the desktop's hot
// keys in step with what is stored (whoever stored it), and runs the actions attached to a name when
// its keys are pressed or released. One per process, on the main thread.
class KeyboardShortcuts {
 public:
  using Action = std::function<void()>;

  // Posted after every stored change, with the changed `Name` under the user-info key "name".
  static constexpr const char* kShortcutByNameDidChange = "KeyboardShortcuts_shortcutByNameDidChange";
  // Placed in every hot-key id: "TRHK" read as a big-endian 32-bit number.
  static constexpr std::uint32_t kSignature = 0x5452484B;

  // None is owned; all outlive this object.
  KeyboardShortcuts(Defaults& defaults, HotKeyService& hotKeys, NotificationCenter& notifications);
  ~KeyboardShortcuts();
  KeyboardShortcuts(const KeyboardShortcuts&) = delete;
  KeyboardShortcuts& operator=(const KeyboardShortcuts&) = delete;

  // Makes a name known: when nothing at all is stored under it (not even a cleared shortcut), its
  // default is stored with setShortcut. Returns the name.
  Name createName(const Name& name);

  // The stored shortcut; nothing when none is stored, it was cleared, or the value cannot be read.
  std::optional<Shortcut> getShortcut(const Name& name) const;

  // Stores a shortcut for the name (registering it as a hot key) or, with nothing, clears it.
  // Returns false when the desktop refused the new hot key: then nothing changes (the old shortcut
  // stays stored and registered) and nothing is posted.
  bool setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);

  // Attaches an action that runs when the name's shortcut is pressed (or released); actions of a
  // name run in the order attached. Registers the stored shortcut if it is not registered yet.
  void onKeyDown(const Name& name, Action action);
  void onKeyUp(const Name& name, Action action);

  // While paused (a recorder is recording), presses and releases run no action, and every hot key
  // is handed back to the desktop so that the recorder receives the combinations it stands for,
  // the current shortcut included. Resuming takes them again; one that another program took
  // meanwhile stays unregistered until its next registration attempt.
  void setPaused(bool paused);
  bool isPaused() const { return paused_; }

  // The enabled combinations the desktop reserves, with modifiers reduced to the four known ones.
  std::vector<Shortcut> systemReservedShortcuts() const;

  // Receives the hot-key service's events; answers false for events that are not ours.
  bool handleHotKeyEvent(const HotKeyService::Event& event);

  // The desktop delivered the name's shortcut by name (a desktop portal binds shortcuts by name and
  // chooses their keys itself): runs the name's actions as a press or release of its keys would,
  // unless paused.
  void activate(const Name& name, HotKeyService::EventKind kind);

  // Whether a shortcut is registered (while paused, its hot key comes back on resuming).
  bool isRegistered(const Shortcut& shortcut) const { return registered_.count(shortcut) != 0; }

 private:
  struct HotKey {
    Shortcut shortcut;
    // Absent while paused: the desktop does not hold the combination for us then.
    std::optional<HotKeyService::Registration> registration;
  };
  // A name whose stored value is watched, with the shortcut its registration last followed.
  struct Watch {
    Name name;
    std::optional<Shortcut> followed;
    std::uint64_t observer = 0;  // the settings' observer id
  };
  // Names with their actions, in the order the names first got one.
  using ActionMap = std::vector<std::pair<Name, std::vector<Action>>>;

  bool registerShortcut(const Shortcut& shortcut);
  void unregisterShortcut(const Shortcut& shortcut);
  // Drops the registration of a name's old shortcut unless another name with actions still uses it.
  void releaseShortcut(const Shortcut& shortcut, const Name& owner);
  void addAction(ActionMap& map, const Name& name, Action action);
  void dispatch(const ActionMap& map, const Shortcut& shortcut);
  void postChange(const Name& name);
  // Starts following the name's stored value, so writes by other processes move its hot key too.
  Watch& watch(const Name& name);
  void storedValueChanged(const std::string& rawValue);
  // Asks the desktop for the shortcut's hot key under `id` (its key code and modifiers in range).
  std::optional<HotKeyService::Registration> grab(const Shortcut& shortcut, std::uint32_t id);
  void suspendHotKeys();
  void resumeHotKeys();

  Defaults& defaults_;
  HotKeyService& hotKeys_;
  NotificationCenter& notifications_;
  std::map<std::uint32_t, HotKey> hotKeysById_;
  std::uint32_t lastHotKeyId_ = 0;
  bool handlerInstalled_ = false;
  std::set<Shortcut> registered_;
  ActionMap keyDownActions_;
  ActionMap keyUpActions_;
  bool paused_ = false;
  std::map<std::string, Watch> watches_;  // by raw value
};

}  // namespace marbrel
