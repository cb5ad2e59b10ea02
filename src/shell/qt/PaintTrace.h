#pragma once

#include <string_view>

namespace marbrel {

// Timing marks for the desktop benchmark: with MARBREL_TRACE_PAINT set, one line per completed paint
// of the pop-up or the tray icon goes to standard error, stamped with the steady clock. Costs one
// flag test when the variable is unset.
class PaintTrace {
 public:
  static bool enabled();
  // Prints "marbrel-trace <what> <detail> <steady clock in nanoseconds>".
  static void note(std::string_view what, long long detail);
  // When enabled, reports each paint of the tray icon's window (with its X window id).
  static void watchTrayIcon();
};

}  // namespace marbrel
