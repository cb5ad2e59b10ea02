#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/platform/KeySynthesizer.h"

struct org_kde_kwin_fake_input;
struct wl_callback;
struct zwp_virtual_keyboard_v1;

namespace marbrel {

class WaylandConnection;

// Synthetic key events in a Wayland session: through a virtual keyboard of the program's own
// (zwp_virtual_keyboard_v1, wlroots compositors) whose keymap has the keys paste combinations use
// at their US places ("v" at the V position, Insert), else
// through KWin's fake input (Plasma). Where the compositor offers neither, no event can be posted:
// asking for trust then says so to the user, once. Events go out once the compositor has handled
// what the program's windows did before (the menu closing gives the keyboard back to the window in
// front), so they reach that window.
class WaylandKeySynthesizer : public KeySynthesizer {
 public:
  enum class Method { virtualKeyboard, kwinFakeInput, none };

  // On `connection` (not owned; outlives this). `explainUnavailable` is called the first time trust
  // is asked for while no method exists; `reason` is what KWin shows when it asks the user.
  WaylandKeySynthesizer(WaylandConnection& connection, std::function<void()> explainUnavailable,
                        const std::string& reason);
  ~WaylandKeySynthesizer() override;

  bool requestTrust() override;
  bool postKeyEvent(std::uint16_t keyCode, bool keyDown, std::uint64_t flags) override;
  // The virtual keyboard types through the keymap it uploaded; KWin reads fake input's keys through
  // the user's keymap, as it does the real keyboard's.
  bool typesInItsOwnKeymap() const override { return method_ == Method::virtualKeyboard; }

  Method method() const { return method_; }
  // The protocol in use, for the log ("zwp_virtual_keyboard_v1", "org_kde_kwin_fake_input", "none").
  const char* methodName() const;

 private:
  struct KeyEvent {
    std::uint32_t evdevKey;
    bool keyDown;
    std::uint64_t flags;
  };
  void sendWhenSettled();
  void sendQueued();
  void sendThroughVirtualKeyboard(const KeyEvent& event);
  void sendThroughFakeInput(const KeyEvent& event);

  WaylandConnection& connection_;
  std::function<void()> explainUnavailable_;
  Method method_ = Method::none;
  zwp_virtual_keyboard_v1* keyboard_ = nullptr;
  org_kde_kwin_fake_input* fakeInput_ = nullptr;
  std::vector<KeyEvent> queued_;
  wl_callback* settling_ = nullptr;

  friend struct SettledEvents;
};

}  // namespace marbrel
