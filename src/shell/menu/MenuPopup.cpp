// The menu pop-up's life: opening it sized for its rows, grabbing the keyboard, laying out and
// scrolling the rows as the model changes, closing. Painting is in MenuPopupPainting.cpp, the
// mouse and the keys in MenuPopupInput.cpp.
#include "shell/menu/MenuPopup.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include "core/menu/SearchHeaderItem.h"
#include "core/platform/MenuPresenter.h"
#include "shell/menu/KeyEventTranslation.h"
#include "shell/menu/MenuPopupMetrics.h"
#include "shell/menu/SearchHeaderView.h"
#include "shell/qt/GuiConnectionSync.h"
#include "shell/qt/PaintTrace.h"

namespace marbrel {

using namespace popup_metrics;

namespace {

constexpr int kMaximumWidth = 620;
constexpr int kGrabAttempts = 100;
constexpr int kGrabRetryMilliseconds = 20;
// The modifiers that can swap an alternate into its primary's row.
constexpr std::uint64_t kRowModifiers =
    modifier_flags::kShift | modifier_flags::kControl | modifier_flags::kOption | modifier_flags::kCommand;

}  // namespace

MenuPopup::MenuPopup(const Strings& strings, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint), strings_(strings) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setObjectName(QStringLiteral("MarbrelMenu"));
  setWindowTitle(QStringLiteral("Marbrel Menu"));
}

void MenuPopup::useFocusedWindow() {
  if (focusedWindow_ || isVisible()) return;
  focusedWindow_ = true;
  // A frameless dialog: window managers float it, and compositors give it the keyboard on showing.
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint);
}

MenuPopup::~MenuPopup() {
  if (menu_) {
    menu_->removeObserver(observer_);
    qApp->removeEventFilter(this);
  }
  delete headerView_;
}

QSize MenuPopup::sizeFor(const MenuModel& menu) const { return sizeOfRows(menu, MenuRows::layout(menu, 0)); }

QSize MenuPopup::sizeNow() const {
  // The size is that of the rows with no modifier held: the rows shown now are those unless one is.
  if ((heldFlags_ & kRowModifiers) == 0) return sizeOfRows(*menu_, rows_);
  return sizeFor(*menu_);
}

int MenuPopup::rowWidth(const MenuItem& item) const {
  const TitleMarks marks = item.menu() ? item.menu()->titleMarks(item) : TitleMarks();
  const int plain = titleWidths_.width(font(), item.title());
  return rowWidthWithTitle(item, marks.empty() ? plain : markedTitle_.width(font(), item.title(), marks, plain));
}

int MenuPopup::rowWidthWithTitle(const MenuItem& item, int titleWidth) const {
  int width = kStateColumn + titleWidth + kRightMargin;
  const QSize image = MenuImagePainter::sizeOf(item.image());
  if (image.width() > 0) width += image.width() + kImageGap;
  if (!item.keyEquivalent().empty()) {
    width += kKeyGap + QFontMetrics(font()).horizontalAdvance(KeyEventTranslation::keyEquivalentText(
                           item.keyEquivalent(), item.keyEquivalentModifierMask()));
  }
  return width;
}

QSize MenuPopup::sizeOfRows(const MenuModel& menu, const MenuLayout& rows) const {
  int width = std::max(int(menu.minimumWidth()), menu_ == &menu ? widest_ : 0);
  const QScreen* primary = QGuiApplication::primaryScreen();
  const int screenHeight = primary ? primary->availableGeometry().height() : 1080;
  for (std::size_t i = 0; i < rows.size() && width < kMaximumWidth; ++i) {
    // Of the run, only the rows of the first screen are measured; the others when they are drawn.
    if (i == rows.runBegin() && rows.runEnd() > rows.runBegin()) {
      std::size_t last = rows.runBegin();
      while (last < rows.runEnd() && rows[last].top < screenHeight) ++last;
      for (std::size_t r = rows.runBegin(); r < last && width < kMaximumWidth; ++r) {
        width = std::max(width, rowWidth(*rows[r].shown));
      }
      i = rows.runEnd() - 1;
      continue;
    }
    const MenuRow row = rows[i];
    if (row.kind == MenuRow::Kind::header) {
      width = std::max(width, int(static_cast<const SearchHeaderItem&>(*row.shown).header().width()));
      continue;
    }
    if (row.kind != MenuRow::Kind::item) continue;
    width = std::max(width, rowWidth(*row.shown));
  }
  titleWidths_.endPass();
  width = std::min(width, kMaximumWidth) + 2 * kFrame;
  int height = MenuRows::totalHeight(rows) + 2 * kFrame;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    height = std::min(height, screen->availableGeometry().height());
  }
  return {width, std::max(height, 2 * kFrame + 1)};
}

void MenuPopup::widenFor(int width) {
  if (width <= widest_) return;
  widest_ = width;
  if (!menu_ || width + 2 * kFrame <= this->width() || this->width() >= kMaximumWidth + 2 * kFrame) return;
  // Not while painting: the pop-up resizes once the paint is done, and paints again.
  QTimer::singleShot(0, this, [this] {
    if (!menu_) return;
    const QSize wanted = sizeNow();
    if (wanted != size()) resize(wanted);
    placeRows();
  });
}

void MenuPopup::open(MenuModel& menu, QPoint topLeft, MenuTrackingListener* listener,
                     std::function<void()> closed) {
  if (menu_) return;
  menu_ = &menu;
  listener_ = listener;
  closed_ = std::move(closed);
  scroll_ = 0;
  widest_ = 0;
  pressedInside_ = false;
  grabAttempts_ = 0;
  heldFlags_ = KeyEventTranslation::flagsForModifiers(QGuiApplication::queryKeyboardModifiers());
  // The desktop's theme may have changed since the last opening.
  increasedContrast_ = contrastSource_ && contrastSource_();
  if (headerView_) headerView_->setIncreasedContrast(increasedContrast_);
  observer_ = menu.addObserver([this] { modelChanged(); });
  qApp->installEventFilter(this);

  QScreen* screen = QGuiApplication::screenAt(topLeft);
  if (!screen) screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
  maxHeight_ = available.height();
  rows_ = MenuRows::layout(menu, heldFlags_);
  const QSize size = sizeNow();
  // Keep the whole menu on the screen, as native menus do.
  const int x = std::clamp(topLeft.x(), available.left(), std::max(available.left(), available.right() - size.width() + 1));
  const int y = std::clamp(topLeft.y(), available.top(), std::max(available.top(), available.bottom() - size.height() + 1));
  setGeometry(x, y, size.width(), size.height());
  placeRows();
  syncHighlightWithAlternates();
  scrollToRow(MenuRows::rowOf(rows_, menu.highlightedItem().get()));
  // Shown without activating: the pop-up works through its keyboard grab, so the keyboard focus
  // stays with the window in front, which is where a paste must land once the menu closes. A
  // focused window takes the focus, and the compositor gives it back when the window goes.
  show();
  // Showing posts each widget a request to repaint later, which would draw the whole menu a second
  // time after the window's first exposure had drawn it, delaying the first key typed. Handled now,
  // the requests only mark what that first drawing covers.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
  raise();
  if (focusedWindow_) {
    activateWindow();
    if (activationRequest_) activationRequest_(*this);
  }
  setFocus(Qt::PopupFocusReason);
  grabInput();
}

void MenuPopup::grabInput() {
  // The key press of the shortcut that opened the menu may still hold the keyboard (until its
  // release): keep asking until the grab is ours, so no key meant for the menu reaches another window.
  QWindow* window = windowHandle();
  if (!menu_ || !window) return;
  const bool keyboard = window->setKeyboardGrabEnabled(true);
  const bool mouse = window->setMouseGrabEnabled(true);
  if ((keyboard && mouse) || ++grabAttempts_ > kGrabAttempts) return;
  QTimer::singleShot(kGrabRetryMilliseconds, this, [this] { grabInput(); });
}

void MenuPopup::closeMenu() {
  if (!menu_) return;
  if (isVisible()) {
    hide();  // hideEvent finishes closing
  } else {
    finishClosing();
  }
}

void MenuPopup::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  finishClosing();
}

void MenuPopup::finishClosing() {
  if (!menu_ || closing_) return;
  closing_ = true;
  menu_->removeObserver(observer_);
  qApp->removeEventFilter(this);
  menu_ = nullptr;
  listener_ = nullptr;
  QToolTip::hideText();
  if (headerView_) {
    delete headerView_;
    headerView_ = nullptr;
  }
  headerItem_.reset();
  rows_ = MenuLayout();
  syncGuiConnection();
  closing_ = false;
  if (PaintTrace::enabled()) PaintTrace::note("menu-closed", 0);
  if (auto closed = std::move(closed_)) closed();
}

void MenuPopup::choose(const MenuItemPtr& item) {
  if (!item || !item->isEnabled() || item->isSeparator()) return;
  // An item the user cannot see is never run (alternates are hidden until their keys are held).
  if (item->isHidden() && !item->isAlternate()) return;
  const MenuItemPtr keep = item;
  closeMenu();
  keep->performAction();
}

void MenuPopup::modelChanged() {
  if (!menu_ || closing_ || syncing_) return;
  const MenuItem* before = lastHighlight_;
  relayout();
  syncHighlightWithAlternates();
  const MenuItem* now = menu_ ? menu_->highlightedItem().get() : nullptr;
  if (now != before) scrollToRow(MenuRows::rowOf(rows_, now));
  lastHighlight_ = now;
  update();
}

void MenuPopup::relayout() {
  if (!menu_) return;
  rows_ = MenuRows::layout(*menu_, heldFlags_);
  const QSize wanted = sizeNow();
  if (wanted != size()) resize(wanted);
  placeRows();
}

void MenuPopup::placeRows() {
  scroll_ = std::clamp(scroll_, 0, std::max(0, MenuRows::totalHeight(rows_) - viewportHeight()));
  syncHeaderView();
  update();
}

int MenuPopup::viewportHeight() const { return std::max(0, height() - 2 * kFrame); }

void MenuPopup::syncHeaderView() {
  std::shared_ptr<SearchHeaderItem> item;
  std::optional<MenuRow> headerRow;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (i == rows_.runBegin() && rows_.runEnd() > i) i = rows_.runEnd();
    if (i >= rows_.size()) break;
    MenuRow row = rows_[i];
    if (row.kind == MenuRow::Kind::header) {
      item = std::dynamic_pointer_cast<SearchHeaderItem>(row.shown);
      headerRow = std::move(row);
      break;
    }
  }
  if (item != headerItem_) {
    if (headerView_) {
      // The old header stays alive until its view is gone.
      headerView_->hide();
      connect(headerView_, &QObject::destroyed, [keep = headerItem_] {});
      headerView_->deleteLater();
      headerView_ = nullptr;
    }
    headerItem_ = item;
    if (item) {
      headerView_ = new SearchHeaderView(item->header(), strings_, this);
      headerView_->setIncreasedContrast(increasedContrast_);
      headerView_->show();
    }
  }
  if (headerView_ && headerRow) {
    headerView_->setGeometry(kFrame, kFrame + headerRow->top - scroll_, width() - 2 * kFrame, headerRow->height);
  }
}

void MenuPopup::setHeldFlags(std::uint64_t flags) {
  if (flags == heldFlags_) return;
  heldFlags_ = flags;
  if (!menu_) return;
  relayout();
  syncHighlightWithAlternates();
}

void MenuPopup::syncHighlightWithAlternates() {
  if (!menu_) return;
  const MenuItemPtr highlighted = menu_->highlightedItem();
  if (!highlighted) return;
  const MenuItemPtr wanted = MenuRows::highlightFor(rows_, highlighted.get());
  if (wanted && wanted != highlighted) {
    syncing_ = true;
    menu_->highlightItem(wanted.get());
    syncing_ = false;
    update();
  }
  lastHighlight_ = menu_->highlightedItem().get();
}

void MenuPopup::scrollToRow(int row) {
  if (row < 0 || row >= int(rows_.size())) return;
  const MenuRow r = rows_[std::size_t(row)];
  if (r.top < scroll_) {
    scroll_ = r.top;
  } else if (r.top + r.height > scroll_ + viewportHeight()) {
    scroll_ = r.top + r.height - viewportHeight();
  } else {
    return;
  }
  syncHeaderView();
  update();
}

void MenuPopup::scrollBy(int pixels) {
  const int limit = std::max(0, MenuRows::totalHeight(rows_) - viewportHeight());
  const int next = std::clamp(scroll_ + pixels, 0, limit);
  if (next == scroll_) return;
  scroll_ = next;
  syncHeaderView();
  update();
}

int MenuPopup::rowAtPosition(QPoint position) const {
  if (position.x() < 0 || position.x() >= width()) return -1;
  return MenuRows::rowAt(rows_, position.y() - kFrame + scroll_);
}

}  // namespace marbrel
