#pragma once

#include <memory>

#include "core/platform/PreferencesWindow.h"
#include "shell/preferences/PreferencesContext.h"

namespace marbrel {

class PreferencesWindowController;
class PreferencesWindowFrame;

// The preferences window for the controller: built on the first showing with the General and
// Appearance panes (animated pane changes, the toolbar hidden were there only one pane), then kept
// for the life of the program.
class QtPreferencesWindow : public PreferencesWindow {
 public:
  explicit QtPreferencesWindow(PreferencesContext context);
  ~QtPreferencesWindow() override;

  void show() override;

  // The window's controller once the window exists; null before the first showing.
  PreferencesWindowController* controller() const { return controller_.get(); }

 private:
  PreferencesContext context_;
  std::unique_ptr<PreferencesWindowFrame> frame_;
  std::unique_ptr<PreferencesWindowController> controller_;
};

}  // namespace marbrel
