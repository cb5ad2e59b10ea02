#include "core/app/AppDelegate.h"

#include <utility>

#include "core/app/Marbrel.h"
#include "core/config/Configuration.h"
#include "core/history/HistoryStore.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/Name.h"

namespace marbrel {

AppDelegate::AppDelegate(AppEnvironment environment)
    : env_(std::move(environment)), self_(std::make_shared<AppDelegate*>(this)) {}

AppDelegate::~AppDelegate() { *self_ = nullptr; }

void AppDelegate::applicationDidFinishLaunching() {
  if (marbrel_) return;
  marbrel_ = std::make_unique<Marbrel>(env_);

  const Name popup = env_.shortcuts.createName(Name::popup());
  std::weak_ptr<AppDelegate*> weak = self_;
  env_.shortcuts.onKeyDown(popup, [weak] {
    const auto self = weak.lock();
    if (self && *self && (*self)->marbrel_) (*self)->marbrel_->popUp();
  });

  env_.configuration.setAvoidTakingFocus(true);
}

bool AppDelegate::applicationShouldHandleReopen(bool /*hasVisibleWindows*/) {
  if (marbrel_) marbrel_->popUp();
  return true;
}

void AppDelegate::applicationWillTerminate() {
  if (marbrel_) marbrel_->store().saveContext();
}

}  // namespace marbrel
