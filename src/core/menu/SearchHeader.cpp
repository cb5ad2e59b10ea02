#include "core/menu/SearchHeader.h"

#include <utility>
#include <vector>

#include "core/config/Configuration.h"
#include "core/menu/Menu.h"
#include "core/menu/MenuItem.h"
#include "core/menu/MenuModel.h"
#include "core/platform/MainQueue.h"
#include "core/platform/MenuPresenter.h"
#include "core/platform/QueryFieldEditor.h"

namespace marbrel {

SearchHeader::SearchHeader(double width, double height, Services services)
    : services_(std::move(services)),
      width_(width),
      height_(height),
      layout_(SearchHeaderLayout::forSettings(services_.configuration.hideSearch(),
                                              services_.configuration.hideTitle())),
      searchThrottler_(kSearchDelay, services_.queue),
      keyLayer_(*this),
      self_(std::make_shared<SearchHeader*>(this)) {}

SearchHeader::~SearchHeader() { *self_ = nullptr; }

void SearchHeader::setTitle(std::string title) {
  if (title == title_) return;
  title_ = std::move(title);
  changed();
}

void SearchHeader::setQuery(const std::string& query, bool filter) {
  if (query != query_) {
    query_ = query;
    changed();
  }
  if (filter) scheduleApplyQuery();
}

void SearchHeader::applyQuery() {
  Menu* target = menu();
  // A header whose row has left the menu (a rebuilt one took its place) filters it no more.
  if (target && item_->menu() == target) target->updateFilter(query_);
}

void SearchHeader::scheduleApplyQuery() {
  std::weak_ptr<SearchHeader*> weak = self_;
  searchThrottler_.throttle([weak] {
    const auto self = weak.lock();
    if (self && *self) (*self)->applyQuery();
  });
}

void SearchHeader::applyPendingQuery() { searchThrottler_.flush(); }

bool SearchHeader::makeQueryFieldFirstResponder() {
  if (focus_ == Focus::fieldEditor) return true;
  if (!fieldAcceptsFocus_ || !intercepting_) return false;
  focus_ = Focus::fieldEditor;
  if (fieldEditor_) fieldEditor_->takeFocus();
  changed();
  return true;
}

QueryFieldEditor* SearchHeader::fieldEditor() const {
  return focus_ == Focus::fieldEditor ? fieldEditor_ : nullptr;
}

Menu* SearchHeader::menu() {
  if (!customMenu_) customMenu_ = item_ ? dynamic_cast<Menu*>(item_->menu()) : nullptr;
  return *customMenu_;
}

void SearchHeader::cancelTracking() { services_.presenter.cancelTracking(); }

void SearchHeader::performMenuItemAction(int tag) {
  MenuModel* enclosing = item_ ? item_->menu() : nullptr;
  if (!enclosing) return;
  const MenuItemPtr target = enclosing->itemWithTag(tag);
  if (!target) return;
  // The action may rebuild the menu; `target` keeps the item alive meanwhile.
  target->performAction();
  cancelTracking();
}

std::optional<SearchHeader::PopupShortcut> SearchHeader::popupShortcut() const {
  if (!services_.popupShortcut) return std::nullopt;
  return services_.popupShortcut();
}

void SearchHeader::movedToWindow(bool inWindow) {
  if (inWindow) {
    intercepting_ = true;
    // A window with nothing else focused is its own first responder.
    focus_ = Focus::window;
    changed();
    return;
  }
  intercepting_ = false;
  focus_ = Focus::none;
  changed();
  std::weak_ptr<SearchHeader*> weak = self_;
  services_.queue.async([weak] {
    const auto self = weak.lock();
    if (!self || !*self) return;
    SearchHeader& header = **self;
    if (!header.query_.empty()) header.setQuery("", true);
    header.fieldAcceptsFocus_ = false;
  });
}

void SearchHeader::didDraw() { fieldAcceptsFocus_ = true; }

void SearchHeader::textDidChange(const std::string& text) { setQuery(text, true); }

bool SearchHeader::doCommandBySelector(const std::string& selector) {
  if (selector != "insertTab:") return false;
  if (focus_ != Focus::none) {
    focus_ = Focus::window;
    changed();
  }
  return true;
}

void SearchHeader::setFocus(Focus focus) {
  if (focus == Focus::fieldEditor && !fieldAcceptsFocus_) return;
  if (focus == focus_) return;
  focus_ = focus;
  changed();
}

bool SearchHeader::onKeyDown(std::uint16_t keyCode, std::uint64_t flags,
                             const std::optional<std::string>& characters) {
  if (!intercepting_) return false;
  return keyLayer_.processInterceptedEvent(keyCode, flags, characters);
}

SearchHeader::ObserverId SearchHeader::addObserver(Observer observer) {
  const ObserverId id = nextObserverId_++;
  observers_.emplace(id, std::move(observer));
  return id;
}

void SearchHeader::removeObserver(ObserverId id) { observers_.erase(id); }

void SearchHeader::changed() {
  // Copied: an observer may add or remove observers.
  std::vector<Observer> observers;
  observers.reserve(observers_.size());
  for (const auto& [id, observer] : observers_) observers.push_back(observer);
  for (const auto& observer : observers) observer();
}

}  // namespace marbrel
