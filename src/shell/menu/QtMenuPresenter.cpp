#include "shell/menu/QtMenuPresenter.h"

#include <cmath>

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "core/menu/MenuModel.h"
#include "shell/menu/MenuPopup.h"

namespace marbrel {

namespace {

// The height that flips y: the primary screen's bottom edge is y = 0 in the core's coordinates.
int flipHeight() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().y() + screen->geometry().height() : 0;
}

}  // namespace

QtMenuPresenter::QtMenuPresenter(const Strings& strings, QObject* parent)
    : QObject(parent), strings_(strings), popup_(std::make_unique<MenuPopup>(strings)) {}

QtMenuPresenter::~QtMenuPresenter() = default;

QPoint QtMenuPresenter::toQt(ScreenPoint point) {
  return {int(std::lround(point.x)), int(std::lround(flipHeight() - point.y))};
}

ScreenPoint QtMenuPresenter::fromQt(QPoint point) { return {double(point.x()), double(flipHeight() - point.y())}; }

ScreenRect QtMenuPresenter::fromQt(const QRect& rect) {
  // The bottom-left corner of a Qt rectangle is its top plus its height.
  return {{double(rect.x()), double(flipHeight() - (rect.y() + rect.height()))},
          {double(rect.width()), double(rect.height())}};
}

void QtMenuPresenter::popUp(MenuModel& menu, ScreenPoint location) { popUpAt(menu, toQt(location)); }

void QtMenuPresenter::popUpAt(MenuModel& menu, QPoint topLeft) {
  if (popup_->isOpen()) return;
  MenuTrackingListener* listener = listener_;
  if (listener) listener->menuWillOpen(menu);
  MenuModel* opened = &menu;
  popup_->open(menu, topLeft, listener, [this, opened] {
    if (listener_) listener_->menuDidClose(*opened);
  });
}

ScreenSize QtMenuPresenter::menuSize(const MenuModel& menu) const {
  const QSize size = popup_->sizeFor(menu);
  return {double(size.width()), double(size.height())};
}

void QtMenuPresenter::cancelTracking() { popup_->closeMenu(); }

bool QtMenuPresenter::isMenuOpen() const { return popup_->isOpen(); }

std::optional<ScreenRect> QtMenuPresenter::mainScreenFrame() const {
  // The screen with the pointer is the one the user works on.
  const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return std::nullopt;
  return fromQt(screen->geometry());
}

ScreenPoint QtMenuPresenter::mouseLocation() const { return fromQt(QCursor::pos()); }

}  // namespace marbrel
