#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace marbrel {

// The desktop's global hot keys: key combinations that reach this program whichever program is in
// front, reported when pressed and when released.
//
// Key codes are the virtual key codes of the ANSI layout (V is 9); modifiers are Carbon masks
// (Command 0x100, Shift 0x200, Option 0x800, Control 0x1000). The implementation converts both at
// its edge (on X11: a grab of the key at that physical position on the root window).
class HotKeyService {
 public:
  // Tells registrations apart: a four-character signature of the owner and a number.
  struct HotKeyId {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
  };
  enum class EventKind : std::uint32_t {
    pressed = 5,
    released = 6,
  };
  struct Event {
    HotKeyId hotKeyId;
    EventKind kind = EventKind::pressed;
  };
  // The service's reference to one registration.
  using Registration = std::uint64_t;
  // Answers whether the event was this handler's; unhandled events go on to other listeners.
  using Handler = std::function<bool(const Event&)>;
  // One combination the desktop itself uses, as the desktop lists it.
  struct ReservedHotKey {
    std::int64_t keyCode = 0;
    std::int64_t carbonModifiers = 0;
    bool enabled = true;
  };

  virtual ~HotKeyService() = default;

  // Asks for the combination to be reported with this id. Returns the registration, or nothing when
  // the desktop refuses it (another program holds it, or the key does not exist here); a refused
  // registration leaves nothing behind.
  virtual std::optional<Registration> registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                                     HotKeyId id) = 0;

  // Releases a registration; its combination is no longer reported. An unknown one is ignored.
  virtual void unregisterHotKey(Registration registration) = 0;

  // Sets the one handler that receives press and release events of registered combinations,
  // replacing any earlier one; an empty handler removes it. Returns false when events cannot be
  // received, in which case no handler is set.
  virtual bool installHandler(Handler handler) = 0;

  // The combinations the desktop reserves for itself; empty where it keeps no such list.
  virtual std::vector<ReservedHotKey> systemReservedHotKeys() const = 0;
};

}  // namespace marbrel
