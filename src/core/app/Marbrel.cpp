#include "core/app/Marbrel.h"

#include <utility>
#include <vector>

#include "core/app/PopUpPosition.h"
#include "core/config/Configuration.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/keylayout/Sauce.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuFooter.h"
#include "core/menu/SearchHeader.h"
#include "core/menu/SearchHeaderItem.h"
#include "core/platform/AboutPresenter.h"
#include "core/platform/Alerts.h"
#include "core/platform/Application.h"
#include "core/platform/PreferencesWindow.h"
#include "core/platform/StatusItem.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "core/shortcuts/Name.h"

namespace marbrel {

Marbrel::Marbrel(AppEnvironment environment) : env_(std::move(environment)) {
  Configuration& configuration = env_.configuration;
  // The watcher needs the store's database to make entries, so the database opens first; the
  // history facade, which trims and (under "ui-testing") empties it, comes after the watcher.
  const bool inMemory = configuration.arguments().uiTesting() || env_.storeFile.empty();
  // A store on disk is read on a thread of its own, with the search texts of its entries and their
  // order for the menu, while the status item and the shortcut come up; whatever needs the entries
  // first waits for it.
  std::shared_ptr<MenuEntries::Preparation> readAhead;
  if (inMemory) {
    store_ = HistoryStore::open(env_.storeFile, env_.queue, true, env_.log, env_.errors);
  } else {
    readAhead = std::make_shared<MenuEntries::Preparation>(
        Search::defaultFuse(), MenuEntries::sortKeyFor(configuration.sortBy()), configuration.pinTo() == "bottom");
    store_ = HistoryStore::openInBackground(env_.storeFile, env_.queue, env_.log, env_.errors,
                                            [readAhead](HistoryStore& store) { readAhead->prepare(store); });
  }
  clipboard_ = std::make_unique<Clipboard>(env_.pasteboard, env_.keys, env_.queue, *store_, configuration);
  clipboard_->setKeyCodeSource([&sauce = env_.sauce](Key key) { return sauce.keyCodeForKey(key); });
  clipboard_->setFrontWindow(env_.frontWindow);
  // The shortcut that opens the menu is Ctrl+Shift+V by default, the terminals' paste key: it is
  // handed back to the desktop while the paste is posted (a recorder's pause is kept).
  clipboard_->setWhilePosting([&shortcuts = env_.shortcuts, wasPaused = false](bool posting) mutable {
    if (posting) wasPaused = shortcuts.isPaused();
    shortcuts.setPaused(posting || wasPaused);
  });
  history_ = std::make_unique<History>(*store_, configuration);

  Defaults& defaults = configuration.defaults();
  defaults.registerDefault(configuration.showInStatusBarKey(), true);
  defaults.registerDefault(Configuration::Keys::hideTitle, true);
  defaults.registerDefault(Configuration::Keys::pasteByDefault, true);

  installObservers();
  menu_ = std::make_unique<Menu>(*history_, *clipboard_, configuration, env_.images, env_.strings);
  if (readAhead) menu_->entries().adopt(std::move(readAhead));
  start();
}

Marbrel::~Marbrel() {
  removeObservers();
  env_.presenter.setListener(nullptr);
  env_.statusItem.setMenu(nullptr);
}

void Marbrel::installObservers() {
  Defaults& defaults = env_.configuration.defaults();
  const auto reset = [this](const Defaults::Value&) { resetMenu(); };
  hideFooterObserver_ = defaults.observe(Configuration::Keys::hideFooter, reset);
  hideSearchObserver_ = defaults.observe(Configuration::Keys::hideSearch, reset);
  hideTitleObserver_ = defaults.observe(Configuration::Keys::hideTitle, reset);
  pasteByDefaultObserver_ = defaults.observe(Configuration::Keys::pasteByDefault, reset);
  statusItemConfigurationObserver_ = defaults.observe(
      env_.configuration.showInStatusBarKey(), [this](const Defaults::Value&) { statusItemSettingChanged(); });
  env_.statusItem.setVisibilityObserver([this](bool visible) { statusItemVisibilityChanged(visible); });
  statusItemVisibilityObserved_ = true;
}

void Marbrel::removeObservers() {
  Defaults& defaults = env_.configuration.defaults();
  for (const Defaults::ObserverId id : {hideFooterObserver_, hideSearchObserver_, hideTitleObserver_,
                                        pasteByDefaultObserver_, statusItemConfigurationObserver_}) {
    if (id != 0) defaults.removeObserver(id);
  }
  if (statusItemVisibilityObserved_) env_.statusItem.setVisibilityObserver({});
}

void Marbrel::start() {
  StatusItem& statusItem = env_.statusItem;
  if (statusItem.hasButton()) statusItem.setImage(kStatusItemImage);
  statusItem.setMenu(menu_.get());
  statusItem.setRemovalAllowed(true);
  statusItem.setVisible(env_.configuration.showInStatusBar());
  env_.presenter.setListener(this);

  History* history = history_.get();
  clipboard_->onNewCopy([history](const HistoryItemPtr& item) { history->add(item); });
  clipboard_->startListening();

  populateHeader();
  populateFooter();
}

void Marbrel::statusItemSettingChanged() {
  // The reading, not the raw value: it applies the fallbacks and the "ui-testing" rule.
  const bool visible = env_.configuration.showInStatusBar();
  if (visible != env_.statusItem.isVisible()) env_.statusItem.setVisible(visible);
}

void Marbrel::statusItemVisibilityChanged(bool visible) {
  if (visible != env_.configuration.showInStatusBar()) env_.configuration.setShowInStatusBar(visible);
}

void Marbrel::popUp() {
  const std::string setting = env_.configuration.popupPosition();
  PopUpPosition::Context context;
  if (setting == "cursor") {
    context.mouseLocation = env_.presenter.mouseLocation();
  } else if (setting == "statusItem") {
    context.statusItemWindowFrame = env_.statusItem.buttonWindowFrame();
    if (!context.statusItemWindowFrame) context.mouseLocation = env_.presenter.mouseLocation();
  } else {
    context.mainScreenFrame = env_.presenter.mainScreenFrame();
    if (context.mainScreenFrame) context.menuSize = env_.presenter.menuSize(*menu_);
  }
  if (const auto location = PopUpPosition::locate(setting, context)) env_.presenter.popUp(*menu_, *location);
}

SearchHeader& Marbrel::header() const { return headerItem_->header(); }

void Marbrel::populateHeader() {
  const Configuration& configuration = env_.configuration;
  KeyboardShortcuts& shortcuts = env_.shortcuts;
  SearchHeader::Services services{
      configuration, env_.queue, env_.presenter, env_.sauce,
      [&shortcuts]() -> std::optional<SearchHeader::PopupShortcut> {
        const auto shortcut = shortcuts.getShortcut(Name::popup());
        if (!shortcut || shortcut->carbonKeyCode < 0 || shortcut->carbonKeyCode > 0xFFFF) return std::nullopt;
        return SearchHeader::PopupShortcut{static_cast<std::uint16_t>(shortcut->carbonKeyCode),
                                           shortcut->cocoaModifiers()};
      }};
  auto header = std::make_unique<SearchHeader>(
      kHeaderWidth, SearchHeaderLayout::heightFor(configuration.hideSearch()), std::move(services));
  header->setTitle(kTitle);
  headerItem_ = std::make_shared<SearchHeaderItem>(kTitle, std::move(header));
  menu_->addItem(headerItem_);
  if (menuOpen_) headerItem_->header().movedToWindow(true);
}

void Marbrel::populateFooter() {
  for (const MenuFooter footer : allMenuFooterCases()) {
    MenuItemPtr item = makeMenuFooterItem(footer, env_.configuration, env_.strings);
    if (!item) continue;
    item->setAction([this](MenuItem& sender) { menuItemAction(sender); });
    menu_->addItem(std::move(item));
  }
}

void Marbrel::resetMenu() {
  if (!menu_) return;
  const bool open = menuOpen_ && headerItem_;
  const std::string query = open ? headerItem_->header().query() : std::string();
  const auto highlighted = open ? menu_->highlightedRow() : std::nullopt;
  MenuModel::Batch batch(*menu_);
  menu_->removeAllHistoryItems();
  if (open) headerItem_->header().movedToWindow(false);
  menu_->removeAllItems();
  populateHeader();
  populateFooter();
  if (!open) return;
  // The new header carries on with the query; the rows are rebuilt for the new settings.
  headerItem_->header().setQuery(query, false);
  menu_->rebuildOpen(query, highlighted);
}

void Marbrel::menuItemAction(MenuItem& sender) {
  const auto footer = menuFooterFromTag(sender.tag());
  if (!footer) return;
  switch (*footer) {
    case MenuFooter::clear:
      clear();
      break;
    case MenuFooter::clearAll:
      clearAll();
      break;
    case MenuFooter::preferences:
      env_.preferences.show();
      break;
    case MenuFooter::about:
      env_.application.activateIgnoringOtherApps();
      env_.about.openAbout();
      break;
    case MenuFooter::quit:
      env_.application.stop();
      break;
    case MenuFooter::separator:
      break;
  }
}

bool Marbrel::confirm(const std::string& informativeKey) {
  Alerts::Alert alert{"confirm", informativeKey, Alerts::Style::warning, {"cancel", "ok"}};
  suspendCapture();
  const int answer = env_.alerts.runModal(alert);
  resumeCapture();
  return answer == Alerts::kSecondButtonReturn;
}

void Marbrel::clear() {
  if (!confirm("clear_confirm_text")) return;
  history_->clearUnpinned();
  menu_->removeUnpinnedHistoryItems();
}

void Marbrel::clearAll() {
  if (!confirm("clear_all_confirm_text")) return;
  history_->clearAll();
  menu_->removeAllHistoryItems();
}

void Marbrel::menuWillOpen(MenuModel& menu) {
  suspendCapture();
  if (&menu != menu_.get()) return;
  menuOpen_ = true;
  // Before the menu has the keyboard: the window in front then is the one the paste goes to.
  clipboard_->noteFrontWindow();
  menu_->menuWillOpen();
  if (headerItem_) headerItem_->header().movedToWindow(true);
}

void Marbrel::menuDidClose(MenuModel& menu) {
  if (&menu == menu_.get() && menuOpen_) {
    menuOpen_ = false;
    if (headerItem_) headerItem_->header().movedToWindow(false);
  }
  resumeCapture();
}

bool Marbrel::menuKeyDown(MenuModel& menu, std::uint16_t keyCode, std::uint64_t flags,
                          const std::optional<std::string>& characters) {
  if (&menu != menu_.get() || !headerItem_) return false;
  // The header may replace itself (a command can rebuild the menu); keep it alive for the call.
  const std::shared_ptr<SearchHeaderItem> item = headerItem_;
  return item->header().onKeyDown(keyCode, flags, characters);
}

void Marbrel::suspendCapture() {
  if (suspensions_++ == 0) clipboard_->setSuspended(true);
}

void Marbrel::resumeCapture() {
  if (suspensions_ == 0) return;
  if (--suspensions_ == 0) clipboard_->setSuspended(false);
}

}  // namespace marbrel
