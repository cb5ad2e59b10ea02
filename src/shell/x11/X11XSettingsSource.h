#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace marbrel {

class X11Connection;

// Reads the desktop's XSETTINGS: the _XSETTINGS_SETTINGS property of the window that owns the
// screen's _XSETTINGS_S<n> selection. Read afresh on each call, so a theme switched while the
// program runs is seen at the next call; the two atoms are looked up once.
class X11XSettingsSource {
 public:
  // `connection` is not owned and outlives this object.
  explicit X11XSettingsSource(X11Connection& connection) : connection_(connection) {}

  // The property's bytes, or nothing when no settings manager runs (or it went away meanwhile).
  std::optional<std::string> read() const;

 private:
  X11Connection& connection_;
  // The selection's and the property's atoms once looked up (0: not yet, or no display).
  mutable std::uint32_t selection_ = 0;
  mutable std::uint32_t property_ = 0;
};

}  // namespace marbrel
