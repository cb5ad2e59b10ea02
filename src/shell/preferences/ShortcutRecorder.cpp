#include "shell/preferences/ShortcutRecorder.h"

#include <utility>

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>

#include "core/platform/Strings.h"
#include "core/shortcuts/KeyboardShortcuts.h"
#include "shell/menu/KeyEventTranslation.h"
#include "shell/preferences/PreferenceTexts.h"

namespace marbrel {

namespace {

constexpr int kMinimumWidth = 150;

// The message's first "%@" (or "%1") replaced by `argument`.
QString formatted(QString message, const QString& argument) {
  for (const auto* marker : {"%@", "%1"}) {
    const int at = message.indexOf(QLatin1String(marker));
    if (at >= 0) return message.replace(at, 2, argument);
  }
  return message;
}

}  // namespace

ShortcutRecorder::ShortcutRecorder(KeyboardShortcuts& shortcuts, NotificationCenter& notifications, Name name,
                                   ShortcutText text, MenuKeyEquivalentsLookup menuItems,
                                   const Strings& strings, QWidget* parent)
    : QLineEdit(parent),
      strings_(strings),
      shortcuts_(shortcuts),
      notifications_(notifications),
      keyTexts_(text),
      model_(std::make_unique<RecorderModel>(shortcuts, notifications, std::move(name), std::move(text),
                                             std::move(menuItems))) {
  setObjectName(QStringLiteral("shortcutRecorder"));
  setMinimumWidth(kMinimumWidth);
  setAlignment(Qt::AlignCenter);
  // The text changes only through the recorder's rules: no typing, pasting, dropping or editing menu.
  setReadOnly(true);
  setDragEnabled(false);
  setAcceptDrops(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setFocusPolicy(Qt::StrongFocus);

  cancelButton_ = addAction(style()->standardIcon(QStyle::SP_LineEditClearButton), QLineEdit::TrailingPosition);
  cancelButton_->setObjectName(QStringLiteral("cancelButton"));
  connect(cancelButton_, &QAction::triggered, this, [this] {
    model_->clear();
    refresh();
  });

  // The model refreshes its own text first (it observed first); then the field shows it.
  observer_ = notifications_.addObserver(KeyboardShortcuts::kShortcutByNameDidChange,
                                         [this](const Notification&) { refresh(); });
  refresh();
}

ShortcutRecorder::~ShortcutRecorder() {
  stopMonitor();
  notifications_.removeObserver(observer_);
}

QString ShortcutRecorder::shortcutText() const {
  if (model_->text().empty()) return {};
  const auto shortcut = shortcuts_.getShortcut(model_->shortcutName());
  if (!shortcut) return QString::fromStdString(model_->text());
  // The same form as the history menu's key equivalents: Command is Ctrl, Option Alt, Control Super.
  const auto character = keyTexts_.keyCharacter(shortcut->carbonKeyCode);
  return KeyEventTranslation::keyEquivalentText(character.value_or("\uFFFD"), shortcut->cocoaModifiers());
}

void ShortcutRecorder::refresh() {
  const PreferenceTexts texts(strings_);
  setPlaceholderText(texts.text(model_->placeholderKey()));
  const QString shown = shortcutText();
  if (text() != shown) setText(shown);
  cancelButton_->setVisible(model_->isCancelButtonVisible());
}

void ShortcutRecorder::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  model_->focusGained();
  startMonitor();
  refresh();
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  model_->focusLost();
  stopMonitor();
  refresh();
}

void ShortcutRecorder::startMonitor() {
  if (monitoring_) return;
  qApp->installEventFilter(this);
  monitoring_ = true;
}

void ShortcutRecorder::stopMonitor() {
  if (!monitoring_) return;
  qApp->removeEventFilter(this);
  monitoring_ = false;
}

bool ShortcutRecorder::event(QEvent* event) {
  if (model_->isRecording()) {
    // While recording every key belongs to the recorder, window shortcuts included.
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();
      return true;
    }
    if (event->type() == QEvent::KeyPress && handleKeyPress(static_cast<QKeyEvent*>(event))) return true;
  }
  return QLineEdit::event(event);
}

bool ShortcutRecorder::handleKeyPress(QKeyEvent* event) {
  // A modifier pressed on its way to a combination is not a key of its own.
  if (KeyEventTranslation::isModifierKey(event->key())) return true;
  const auto key = KeyEventTranslation::translate(*event);
  if (!key) {
    QApplication::beep();
    return true;
  }
  const RecorderResponse response = model_->keyDown(key->keyCode, key->flags, key->characters.value_or(""));
  if (!response.swallowEvent) {
    // The key goes on (Tab moves the focus, which ends recording on the way).
    refresh();
    return false;
  }
  apply(response);
  return true;
}

bool ShortcutRecorder::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
    return handleMouseRelease(watched, static_cast<QMouseEvent*>(event));
  }
  return QLineEdit::eventFilter(watched, event);
}

bool ShortcutRecorder::handleMouseRelease(QObject* receiver, QMouseEvent* event) {
  if (!model_->isRecording()) return false;
  if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return false;
  // The cancel button works while recording.
  if (receiver != this && static_cast<QWidget*>(receiver)->parentWidget() == this) return false;
  const QPointF at = mapFromGlobal(event->globalPosition());
  const RecorderResponse response = model_->mouseUp(at.x(), at.y(), width(), height());
  if (!response.resignFocus) return response.swallowEvent;
  // A click elsewhere ends recording. The release still reaches the widget that got the press, so
  // that a button pressed outside is not left held down.
  apply(response);
  return false;
}

void ShortcutRecorder::apply(const RecorderResponse& response) {
  if (response.beep) QApplication::beep();
  if (response.resignFocus) clearFocus();
  refresh();
  if (response.alert) {
    // Shown once the key press is handled, not from inside it.
    QTimer::singleShot(0, this, [this, alert = *response.alert] { showAlert(alert); });
  }
}

void ShortcutRecorder::showAlert(const RecorderAlert& alert) {
  const PreferenceTexts texts(strings_);
  QString message = texts.text(alert.messageKey.c_str());
  for (const auto& argument : alert.messageArguments) message = formatted(message, QString::fromStdString(argument));
  const QString informative = alert.informativeKey.empty() ? QString() : texts.text(alert.informativeKey.c_str());
  Q_EMIT alertShown(message, informative);

  QPointer<ShortcutRecorder> self(this);
  {
    QMessageBox box(QMessageBox::NoIcon, window()->windowTitle(), message, QMessageBox::Ok, window());
    box.setObjectName(QStringLiteral("recorderAlert"));
    box.setInformativeText(informative);
    // A sheet: modal for the preference window only.
    box.setWindowModality(Qt::WindowModal);
    box.exec();
  }
  if (!self) return;
  window()->activateWindow();
  setFocus(Qt::OtherFocusReason);
}

}  // namespace marbrel
