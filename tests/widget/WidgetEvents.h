#pragma once

#include <QApplication>
#include <QKeyEvent>

#include "support/QtEvents.h"

namespace marbrel::testing {

// Sends one key event to `target`, as the window system would deliver it.
inline void sendKey(QWidget* target, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                    const QString& text = {}, quint32 nativeScanCode = 0) {
  QKeyEvent event(type, key, modifiers, nativeScanCode, 0, 0, text);
  QApplication::sendEvent(target, &event);
}

// A whole key stroke: the shortcut check, the press and the release.
inline void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& text = {}, quint32 nativeScanCode = 0) {
  for (const auto type : {QEvent::ShortcutOverride, QEvent::KeyPress, QEvent::KeyRelease})
    sendKey(target, type, key, modifiers, text, nativeScanCode);
}

// Shows `window` and waits until it is the active window, so that focus changes are delivered.
inline bool activate(QWidget& window) {
  window.show();
  window.raise();
  window.activateWindow();
  return processEventsUntil([&] { return window.isActiveWindow(); });
}

}  // namespace marbrel::testing
