#pragma once

#include <memory>

#include "core/app/AppEnvironment.h"

namespace marbrel {

class Marbrel;

// The program's entry points as the platform calls them: launching, being opened again while
// running, and terminating.
class AppDelegate {
 public:
  explicit AppDelegate(AppEnvironment environment);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  void applicationWillFinishLaunching() {}
  // Creates the controller, attaches the pop-up to the "popup" shortcut's key down and writes
  // "avoidTakingFocus" = true.
  void applicationDidFinishLaunching();
  // The user launched the program again while it runs: pops the menu up. Always answers true.
  bool applicationShouldHandleReopen(bool hasVisibleWindows);
  // The session or the system ends the program: commits the history's pending changes.
  void applicationWillTerminate();

  // The controller; null until launching finished.
  Marbrel* marbrel() const { return marbrel_.get(); }

 private:
  AppEnvironment env_;
  std::unique_ptr<Marbrel> marbrel_;
  // The shortcut registry keeps its actions for the life of the process; they check this first.
  std::shared_ptr<AppDelegate*> self_;
};

}  // namespace marbrel
