#pragma once

#include <vector>

#include "core/platform/MainQueue.h"

namespace marbrel {

// The paste keys that wait while the desktop asks the user whether Marbrel may type: only the newest
// paste is kept, and it is dropped when the answer comes too late for the user to still expect it
// (the keys would land in whatever has the keyboard by then).
class WaitingPaste {
 public:
  struct Key {
    int code;
    bool down;
    bool operator==(const Key&) const = default;
  };
  // How long a paste may wait, in seconds.
  static constexpr double kMaxAge = 3.0;

  // `clock` is not owned and outlives this object.
  explicit WaitingPaste(const MainQueue& clock) : clock_(clock) {}

  // Holds one key event. A key pressed while no held key is down begins a new paste, which replaces
  // the one held.
  void hold(Key key);
  // The held paste's keys unless it waited longer than kMaxAge; nothing is held afterwards.
  std::vector<Key> release();
  void clear();

 private:
  const MainQueue& clock_;
  std::vector<Key> keys_;
  int down_ = 0;
  double since_ = 0;
};

}  // namespace marbrel
