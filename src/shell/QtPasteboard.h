#pragma once

#include <QClipboard>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include "core/platform/Pasteboard.h"

class QMimeData;

namespace marbrel {

// The system clipboard through QClipboard. The change count counts Qt's change signals; an item's
// types are the MIME formats its owner offers, without the X selection protocol's own targets and
// without formats Qt makes up itself.
class QtPasteboard : public QObject, public Pasteboard {
  Q_OBJECT

 public:
  // `clipboard` is not owned (QGuiApplication's clipboard by default).
  explicit QtPasteboard(QClipboard* clipboard = nullptr, QClipboard::Mode mode = QClipboard::Clipboard,
                        QObject* parent = nullptr);
  ~QtPasteboard() override;

  std::int64_t changeCount() const override { return changeCount_; }
  std::vector<std::shared_ptr<const PasteboardItem>> items() const override;
  void declareTypes(const std::vector<std::string>& types) override;
  void setData(const std::optional<std::string>& data, const std::string& type) override;
  void setChangeHandler(std::function<void()> handler) override { changeHandler_ = std::move(handler); }

  // Which of the formats an owner offers are the item's types: MIME types and named markers such as
  // "x-kde-passwordManagerHint", not the upper-case protocol targets (TARGETS, MULTIPLE, TIMESTAMP,
  // UTF8_STRING...) nor formats that Qt invents ("application/x-qt-image").
  static QStringList itemFormats(const QStringList& offered);
  // Whether the bytes of a format may be asked of its owner: only real MIME types ("a/b"); asking an
  // X owner for a protocol target can clear or stall the clipboard.
  static bool isReadableFormat(const QString& format);

 private:
  QClipboard* clipboard_;
  QClipboard::Mode mode_;
  std::int64_t changeCount_ = 0;
  std::function<void()> changeHandler_;
  // The contents this program put on the clipboard last; the clipboard owns it.
  QPointer<QMimeData> written_;
};

}  // namespace marbrel
