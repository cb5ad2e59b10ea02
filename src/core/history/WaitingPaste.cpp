#include "core/history/WaitingPaste.h"

#include <utility>

namespace marbrel {

void WaitingPaste::hold(Key key) {
  if (key.down && down_ == 0) {
    keys_.clear();
    since_ = clock_.now();
  }
  if (keys_.empty() && !key.down) return;  // the release of a key whose press was dropped
  keys_.push_back(key);
  down_ += key.down ? 1 : -1;
  if (down_ < 0) down_ = 0;
}

std::vector<WaitingPaste::Key> WaitingPaste::release() {
  std::vector<Key> keys = std::exchange(keys_, {});
  down_ = 0;
  if (clock_.now() - since_ > kMaxAge) keys.clear();
  return keys;
}

void WaitingPaste::clear() {
  keys_.clear();
  down_ = 0;
}

}  // namespace marbrel
