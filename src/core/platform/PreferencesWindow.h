#pragma once

namespace marbrel {

// The preferences window with its General and Appearance panes.
class PreferencesWindow {
 public:
  virtual ~PreferencesWindow() = default;

  // Shows the window in front, building it on the first call (panes General then Appearance, the
  // toolbar hidden when only one pane exists). Shows the first pane on the first showing and the
  // pane last shown afterwards.
  virtual void show() = 0;
};

}  // namespace marbrel
