#include "shell/menu/MenuPopup.h"

#include <algorithm>
#include <memory>

#include <QApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <QWheelEvent>

#include "core/menu/SearchHeaderItem.h"
#include "core/platform/MenuPresenter.h"
#include "shell/qt/GuiConnectionSync.h"
#include "shell/menu/KeyEventTranslation.h"
#include "shell/qt/PaintTrace.h"
#include "shell/menu/SearchHeaderView.h"

namespace marbrel {

namespace {

constexpr int kFrame = 1;
constexpr int kStateColumn = 22;   // room for the pin at the left of every row
constexpr int kImageGap = 6;
constexpr int kKeyGap = 28;        // between a title and its key equivalent
constexpr int kRightMargin = 12;
constexpr int kMaximumWidth = 620;
constexpr int kScrollStep = 3 * 24;
constexpr int kGrabAttempts = 100;
constexpr int kGrabRetryMilliseconds = 20;
// The modifiers that can swap an alternate into its primary's row.
constexpr std::uint64_t kRowModifiers =
    modifier_flags::kShift | modifier_flags::kControl | modifier_flags::kOption | modifier_flags::kCommand;

QString keyForEvent(const QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Backspace) return QStringLiteral("\u232B");
  if (key >= 0x20 && key <= 0x7e) return QString(QChar(key)).toLower();
  return {};
}

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

void MenuPopup::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QPalette& pal = palette();
  painter.fillRect(rect(), pal.color(QPalette::Window));
  painter.setPen(pal.color(QPalette::Mid));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (!menu_) return;
  painter.setClipRect(QRect(kFrame, kFrame, width() - 2 * kFrame, viewportHeight()));

  const QFontMetrics metrics(font());
  const int contentWidth = width() - 2 * kFrame;
  const MenuItem* highlighted = menu_->highlightedItem().get();
  // Only the rows in view are drawn, so long menus cost no more than short ones.
  const int first = std::max(0, MenuRows::rowAt(rows_, scroll_));
  for (int i = first; i < int(rows_.size()); ++i) {
    const MenuRow row = rows_[std::size_t(i)];
    const int top = kFrame + row.top - scroll_;
    if (top > height()) break;
    const QRect box(kFrame, top, contentWidth, row.height);
    if (row.kind == MenuRow::Kind::separator) {
      painter.setPen(pal.color(QPalette::Midlight));
      painter.drawLine(box.left() + 8, box.center().y(), box.right() - 8, box.center().y());
      continue;
    }
    if (row.kind == MenuRow::Kind::header) continue;  // the header view draws itself
    const MenuItem& item = *row.shown;
    // The parts of the title the search matched are drawn bold; only drawn rows are asked.
    const TitleMarks marks = menu_->titleMarks(item);
    const int plainWidth = titleWidths_.width(font(), item.title());
    if (marks.empty()) widenFor(rowWidthWithTitle(item, plainWidth));
    const bool isHighlighted = &item == highlighted && item.isEnabled();
    QColor text = pal.color(item.isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    if (isHighlighted) {
      painter.fillRect(box, pal.color(QPalette::Highlight));
      text = pal.color(QPalette::HighlightedText);
    }
    painter.setPen(text);
    if (item.state() == MenuItem::State::on) {
      const MenuImage& mark = item.onStateImage();
      if (std::holds_alternative<NoImage>(mark)) {
        painter.drawText(QRect(box.left(), box.top(), kStateColumn, box.height()), Qt::AlignCenter,
                         QStringLiteral("\u2713"));
      } else {
        images_.paint(painter, mark, QRect(box.left() + 4, box.center().y() - 7, 16, 16), text);
      }
    }
    int x = box.left() + kStateColumn;
    const QSize imageSize = MenuImagePainter::sizeOf(item.image());
    if (imageSize.width() > 0) {
      images_.paint(painter, item.image(), QRect(QPoint(x, box.center().y() - imageSize.height() / 2), imageSize),
                    text);
      x += imageSize.width() + kImageGap;
    }
    int right = box.right() - kRightMargin;
    if (!item.keyEquivalent().empty()) {
      const QString key = KeyEventTranslation::keyEquivalentText(item.keyEquivalent(), item.keyEquivalentModifierMask());
      QColor keyColor = text;
      if (!isHighlighted) keyColor.setAlphaF(0.6f);
      painter.setPen(keyColor);
      painter.drawText(QRect(x, box.top(), right - x, box.height()), Qt::AlignRight | Qt::AlignVCenter, key);
      right -= metrics.horizontalAdvance(key) + kKeyGap;
      painter.setPen(text);
    }
    const QRect titleBox(x, box.top(), std::max(0, right - x), box.height());
    if (!marks.empty()) {
      widenFor(rowWidthWithTitle(item, markedTitle_.draw(painter, titleBox, font(), item.title(), marks, plainWidth)));
      continue;
    }
    const QString title = metrics.elidedText(QString::fromStdString(item.title()), Qt::ElideRight, titleBox.width());
    painter.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, title);
  }
  painter.setClipping(false);
  // Arrows tell that more rows lie above or below.
  const int total = MenuRows::totalHeight(rows_);
  painter.setPen(pal.color(QPalette::WindowText));
  if (scroll_ > 0) {
    painter.fillRect(QRect(kFrame, kFrame, contentWidth, 12), pal.color(QPalette::Window));
    painter.drawText(QRect(kFrame, kFrame, contentWidth, 12), Qt::AlignCenter, QStringLiteral("\u25B4"));
  }
  if (scroll_ + viewportHeight() < total) {
    const QRect strip(kFrame, height() - kFrame - 12, contentWidth, 12);
    painter.fillRect(strip, pal.color(QPalette::Window));
    painter.drawText(strip, Qt::AlignCenter, QStringLiteral("\u25BE"));
  }
  if (PaintTrace::enabled()) PaintTrace::note("menu", static_cast<long long>(rows_.size()));
}

void MenuPopup::mouseMoveEvent(QMouseEvent* event) {
  if (!menu_) return;
  const int row = rowAtPosition(event->position().toPoint());
  if (row < 0) return;
  const MenuRow r = rows_[std::size_t(row)];
  if (r.kind == MenuRow::Kind::header) return;
  const MenuItem* target = r.kind == MenuRow::Kind::item && r.shown->isEnabled() ? r.shown.get() : nullptr;
  if (menu_->highlightedItem().get() != target) menu_->highlightItem(target);
}

void MenuPopup::mousePressEvent(QMouseEvent* event) {
  pressedInside_ = rect().contains(event->position().toPoint());
  QWidget::mousePressEvent(event);
}

void MenuPopup::mouseReleaseEvent(QMouseEvent* event) {
  // The release of the click that opened the menu (on the tray icon) chooses nothing.
  if (!menu_ || !pressedInside_) return;
  pressedInside_ = false;
  const int row = rowAtPosition(event->position().toPoint());
  if (row < 0) return;
  const MenuRow r = rows_[std::size_t(row)];
  if (r.kind == MenuRow::Kind::item) choose(r.shown);
}

void MenuPopup::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  if (steps != 0) scrollBy(-steps * kScrollStep);
  event->accept();
}

bool MenuPopup::event(QEvent* event) {
  // As a focused window, a click elsewhere takes the focus away: that closes the menu, as a click
  // outside a pop-up does.
  if (focusedWindow_ && event->type() == QEvent::WindowDeactivate && menu_ && !closing_) {
    QTimer::singleShot(0, this, [this] { closeMenu(); });
  }
  if (event->type() == QEvent::ToolTip && menu_) {
    auto* help = static_cast<QHelpEvent*>(event);
    const int row = rowAtPosition(help->pos());
    const MenuRow r = row >= 0 ? rows_[std::size_t(row)] : MenuRow{};
    if (row >= 0 && r.kind == MenuRow::Kind::item && !r.shown->toolTip().empty()) {
      QToolTip::showText(help->globalPos(), QString::fromStdString(r.shown->toolTip()), this,
                         QRect(0, kFrame + r.top - scroll_, width(), r.height));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QWidget::event(event);
}

bool MenuPopup::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (!menu_ || (type != QEvent::KeyPress && type != QEvent::KeyRelease)) return false;
  // Only the first delivery of a key event counts: to the pop-up's focus widget, else the pop-up.
  QWidget* first = focusWidget() ? focusWidget() : this;
  if (watched != first) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (KeyEventTranslation::isModifierKey(key->key())) {
    setHeldFlags(KeyEventTranslation::flagsAfter(*key));
    return false;
  }
  setHeldFlags(KeyEventTranslation::flagsForModifiers(key->modifiers() & ~Qt::KeypadModifier));
  if (type != QEvent::KeyPress || !listener_ || forwarding_) return false;
  const std::optional<TranslatedKey> translated = KeyEventTranslation::translate(*key);
  if (!translated) return false;
  MenuModel& menu = *menu_;
  const bool handled = listener_->menuKeyDown(menu, translated->keyCode, translated->flags, translated->characters);
  // A handled key, or one that closed the menu, goes no further.
  if (handled || !menu_) return true;
  // The listener may have moved the focus (typing into the query field takes it there): the key it
  // left goes to the widget that now has the focus, as it would had that one held it already.
  QWidget* now = focusWidget();
  if (!now || now == watched) return false;
  const std::unique_ptr<QKeyEvent> again(key->clone());
  forwarding_ = true;
  QApplication::sendEvent(now, again.get());
  forwarding_ = false;
  return true;
}

void MenuPopup::keyPressEvent(QKeyEvent* event) {
  if (!menu_) return;
  switch (event->key()) {
    case Qt::Key_Escape:
      closeMenu();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      choose(menu_->highlightedItem());
      return;
    case Qt::Key_Down:
      moveHighlight(1);
      return;
    case Qt::Key_Up:
      moveHighlight(-1);
      return;
    case Qt::Key_PageDown:
      scrollBy(viewportHeight());
      return;
    case Qt::Key_PageUp:
      scrollBy(-viewportHeight());
      return;
    default:
      break;
  }
  if (handleKeyEquivalent(*event)) return;
  event->ignore();
}

void MenuPopup::keyReleaseEvent(QKeyEvent* event) { event->ignore(); }

void MenuPopup::moveHighlight(int direction) {
  if (rows_.empty()) return;
  const int count = int(rows_.size());
  int current = MenuRows::rowOf(rows_, menu_->highlightedItem().get());
  for (int step = 0; step < count; ++step) {
    current = current < 0 ? (direction > 0 ? 0 : count - 1) : (current + direction + count) % count;
    const MenuRow row = rows_[std::size_t(current)];
    if (row.kind == MenuRow::Kind::item && row.shown->isEnabled()) {
      menu_->highlightItem(row.shown.get());
      return;
    }
  }
}

bool MenuPopup::handleKeyEquivalent(const QKeyEvent& event) {
  const QString key = keyForEvent(event);
  if (key.isEmpty()) return false;
  const std::uint64_t flags = KeyEventTranslation::flagsForModifiers(event.modifiers() & ~Qt::KeypadModifier);
  const MenuItemPtr item = MenuRows::itemForKeyEquivalent(*menu_, key.toStdString(), flags);
  if (!item) return false;
  choose(item);
  return true;
}

}  // namespace marbrel
