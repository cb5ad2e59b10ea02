#pragma once

#include <memory>
#include <optional>

#include <QLineEdit>
#include <QPointer>

#include "core/platform/NotificationCenter.h"
#include "core/shortcuts/RecorderModel.h"

class QAction;

namespace marbrel {

class KeyboardShortcuts;
class Strings;

// The field that records the global shortcut of one name: click it and press keys to record, the
// cancel button clears it. It hosts the recorder's rules (RecorderModel) and draws what they say:
// placeholder, text, cancel button, beeps and refusal alerts. While it has the focus it records,
// and the registered hot keys are paused.
class ShortcutRecorder : public QLineEdit {
  Q_OBJECT

 public:
  // None is owned; all outlive this widget.
  ShortcutRecorder(KeyboardShortcuts& shortcuts, NotificationCenter& notifications, Name name,
                   ShortcutText text, MenuKeyEquivalentsLookup menuItems, const Strings& strings,
                   QWidget* parent = nullptr);
  ~ShortcutRecorder() override;

  const RecorderModel& model() const { return *model_; }
  // The recorded shortcut as Linux programs write shortcuts ("Ctrl+Shift+V"); empty for none.
  QString shortcutText() const;
  bool isRecording() const { return model_->isRecording(); }
  // The trailing button that clears the shortcut.
  QAction* cancelButton() const { return cancelButton_; }

 Q_SIGNALS:
  // A refusal alert is about to be shown (after the beep, if any): its message and informative text.
  void alertShown(const QString& message, const QString& informativeText);

 protected:
  bool event(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refresh();
  bool handleKeyPress(QKeyEvent* event);
  bool handleMouseRelease(QObject* receiver, QMouseEvent* event);
  void apply(const RecorderResponse& response);
  void showAlert(const RecorderAlert& alert);
  void startMonitor();
  void stopMonitor();

  const Strings& strings_;
  KeyboardShortcuts& shortcuts_;
  NotificationCenter& notifications_;
  ShortcutText keyTexts_;
  std::unique_ptr<RecorderModel> model_;
  NotificationCenter::ObserverId observer_ = 0;
  QAction* cancelButton_ = nullptr;
  bool monitoring_ = false;
};

}  // namespace marbrel
