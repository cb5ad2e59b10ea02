// The menu pop-up's mouse and keys: hovering highlights, a click or Return chooses, the wheel
// scrolls, held modifiers show alternates, and key equivalents choose their rows.
#include "shell/menu/MenuPopup.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include "core/platform/MenuPresenter.h"
#include "shell/menu/KeyEventTranslation.h"
#include "shell/menu/MenuPopupMetrics.h"

namespace marbrel {

using namespace popup_metrics;

namespace {

constexpr int kScrollStep = 3 * 24;

QString keyForEvent(const QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Backspace) return QStringLiteral("\u232B");
  if (key >= 0x20 && key <= 0x7e) return QString(QChar(key)).toLower();
  return {};
}

}  // namespace

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
