#pragma once

#include <map>
#include <memory>

#include "core/platform/HotKeyService.h"

namespace marbrel {

class X11Connection;

// Global hot keys as passive key grabs on the X root window. Each combination is grabbed with and
// without Num Lock and Caps Lock, so the locks do not stop it; a grab that another program holds is
// a refused registration. Grabs are renewed when the keymap or the modifier mapping changes.
class X11HotKeyService : public HotKeyService {
 public:
  // `connection` is not owned and outlives this object.
  explicit X11HotKeyService(X11Connection& connection);
  ~X11HotKeyService() override;
  X11HotKeyService(const X11HotKeyService&) = delete;
  X11HotKeyService& operator=(const X11HotKeyService&) = delete;

  std::optional<Registration> registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                             HotKeyId id) override;
  void unregisterHotKey(Registration registration) override;
  bool installHandler(Handler handler) override;
  std::vector<ReservedHotKey> systemReservedHotKeys() const override { return {}; }

 private:
  struct Private;
  std::unique_ptr<Private> d_;
};

}  // namespace marbrel
