#include "shell/x11/X11HotKeyService.h"

#include <array>
#include <set>
#include <vector>

#include <QObject>
#include <QTimer>

#include "shell/x11/X11Connection.h"
#include "shell/x11/X11Modifiers.h"
#include "xkb/KeyPositions.h"

// X11 headers last: their macros (Bool, Status, None...) break Qt headers included after them.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

namespace marbrel {

namespace {

struct Grab {
  std::uint32_t xKeyCode = 0;
  std::uint32_t carbonModifiers = 0;
  HotKeyService::HotKeyId id;
  std::uint16_t mask = 0;  // the X modifiers at the time of grabbing
  bool down = false;       // pressed and not yet released (auto-repeat presses are not reported)
};

}  // namespace

struct X11HotKeyService::Private {
  X11Connection& connection;
  X11Modifiers modifiers;
  std::map<Registration, Grab> grabs;
  Registration nextRegistration = 1;
  Handler handler;
  X11Connection::ListenerId listener = 0;
  int xkbEventBase = -1;
  QObject context;  // queued deliveries die with it

  explicit Private(X11Connection& c) : connection(c) {}

  // The lock combinations a grab must also cover.
  std::vector<std::uint16_t> lockVariants() const {
    std::set<std::uint16_t> variants = {0, modifiers.capsLock};
    if (modifiers.numLock) {
      variants.insert(modifiers.numLock);
      variants.insert(std::uint16_t(modifiers.numLock | modifiers.capsLock));
    }
    return {variants.begin(), variants.end()};
  }

  std::uint16_t ignoredMask() const { return std::uint16_t(modifiers.capsLock | modifiers.numLock); }

  // Grabs every lock variant; on any refusal undoes the ones made and answers false.
  bool grab(std::uint32_t xKeyCode, std::uint16_t mask) {
    xcb_connection_t* c = connection.connection();
    std::vector<std::uint16_t> made;
    bool refused = false;
    for (std::uint16_t variant : lockVariants()) {
      const std::uint16_t full = std::uint16_t(mask | variant);
      xcb_void_cookie_t cookie = xcb_grab_key_checked(c, 1, connection.rootWindow(), full,
                                                      xcb_keycode_t(xKeyCode), XCB_GRAB_MODE_ASYNC,
                                                      XCB_GRAB_MODE_ASYNC);
      if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
        free(error);
        refused = true;
        break;
      }
      made.push_back(full);
    }
    if (refused) {
      for (std::uint16_t full : made) {
        xcb_ungrab_key(c, xcb_keycode_t(xKeyCode), connection.rootWindow(), full);
      }
    }
    connection.flush();
    return !refused;
  }

  void ungrab(const Grab& g) {
    for (std::uint16_t variant : lockVariants()) {
      xcb_ungrab_key(connection.connection(), xcb_keycode_t(g.xKeyCode), connection.rootWindow(),
                     std::uint16_t(g.mask | variant));
    }
    connection.flush();
  }

  bool isGrabbedElsewhere(const Grab& g, Registration self) const {
    for (const auto& [registration, other] : grabs) {
      if (registration != self && other.xKeyCode == g.xKeyCode && other.mask == g.mask) return true;
    }
    return false;
  }

  // The keymap or the modifier mapping changed: the modifier bits may have moved, so grab again.
  void regrabAll() {
    for (auto& [registration, g] : grabs) ungrab(g);
    modifiers = X11Modifiers::read(connection.display());
    std::set<std::pair<std::uint32_t, std::uint16_t>> done;
    for (auto& [registration, g] : grabs) {
      g.mask = modifiers.maskForCarbon(g.carbonModifiers);
      g.down = false;
      if (done.insert({g.xKeyCode, g.mask}).second) grab(g.xKeyCode, g.mask);
    }
  }

  void deliver(std::vector<Event> events) {
    // Handlers run on a later turn of the loop, never inside the X event dispatch, so they may open
    // menus or modal alerts freely.
    for (const Event& event : events) {
      QTimer::singleShot(0, &context, [this, event] {
        if (handler) handler(event);
      });
    }
  }

  bool onEvent(const xcb_generic_event_t& event) {
    const std::uint8_t type = event.response_type & 0x7f;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
      const auto& key = reinterpret_cast<const xcb_key_press_event_t&>(event);
      if (key.event != connection.rootWindow()) return false;
      const std::uint16_t state = std::uint16_t(key.state & ~ignoredMask() & 0xff);
      std::vector<Event> events;
      for (auto& [registration, g] : grabs) {
        if (g.xKeyCode != key.detail || g.mask != state) continue;
        if (type == XCB_KEY_PRESS) {
          if (g.down) continue;  // auto-repeat
          g.down = true;
          events.push_back({g.id, EventKind::pressed});
        } else {
          if (!g.down) continue;
          g.down = false;
          events.push_back({g.id, EventKind::released});
        }
      }
      if (type == XCB_KEY_RELEASE && events.empty()) {
        // The modifiers were let go before the key: the release still ends the press.
        for (auto& [registration, g] : grabs) {
          if (g.xKeyCode == key.detail && g.down) {
            g.down = false;
            events.push_back({g.id, EventKind::released});
          }
        }
      }
      deliver(std::move(events));
      return true;
    }
    if (type == XCB_MAPPING_NOTIFY) {
      regrabAll();
      return false;
    }
    if (xkbEventBase >= 0 && type == xkbEventBase) {
      const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(&event)[1];
      if (xkbType == XkbNewKeyboardNotify || xkbType == XkbMapNotify) regrabAll();
      return false;
    }
    return false;
  }
};

X11HotKeyService::X11HotKeyService(X11Connection& connection)
    : d_(std::make_unique<Private>(connection)) {
  if (!connection.isOpen()) return;
  Display* display = connection.display();
  d_->modifiers = X11Modifiers::read(display);
  // Without detectable auto-repeat a held key sends release-press pairs; with it, presses only.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(display, True, &supported);
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor)) {
    d_->xkbEventBase = eventBase;
    XkbSelectEvents(display, XkbUseCoreKbd, XkbNewKeyboardNotifyMask | XkbMapNotifyMask,
                    XkbNewKeyboardNotifyMask | XkbMapNotifyMask);
  }
  XFlush(display);
  d_->listener = connection.addListener(
      [this](const void* e) { return d_->onEvent(*static_cast<const xcb_generic_event_t*>(e)); });
}

X11HotKeyService::~X11HotKeyService() {
  if (d_->listener) d_->connection.removeListener(d_->listener);
  for (const auto& [registration, g] : d_->grabs) {
    if (!d_->isGrabbedElsewhere(g, registration)) d_->ungrab(g);
  }
}

std::optional<HotKeyService::Registration> X11HotKeyService::registerHotKey(std::uint32_t keyCode,
                                                                            std::uint32_t carbonModifiers,
                                                                            HotKeyId id) {
  if (!d_->connection.isOpen() || keyCode > 0xffff) return std::nullopt;
  const std::optional<std::uint32_t> xKeyCode = xKeyCodeForVirtualKeyCode(std::uint16_t(keyCode));
  if (!xKeyCode) return std::nullopt;
  Grab g{*xKeyCode, carbonModifiers, id, d_->modifiers.maskForCarbon(carbonModifiers), false};
  // The same combination grabbed twice by this program is one X grab shared by both registrations.
  if (!d_->isGrabbedElsewhere(g, 0) && !d_->grab(g.xKeyCode, g.mask)) return std::nullopt;
  const Registration registration = d_->nextRegistration++;
  d_->grabs.emplace(registration, g);
  return registration;
}

void X11HotKeyService::unregisterHotKey(Registration registration) {
  auto it = d_->grabs.find(registration);
  if (it == d_->grabs.end()) return;
  if (!d_->isGrabbedElsewhere(it->second, registration)) d_->ungrab(it->second);
  d_->grabs.erase(it);
}

bool X11HotKeyService::installHandler(Handler handler) {
  if (!d_->connection.isOpen()) return false;
  d_->handler = std::move(handler);
  return true;
}

}  // namespace marbrel
