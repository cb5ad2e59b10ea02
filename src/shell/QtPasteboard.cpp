#include "shell/QtPasteboard.h"

#include <map>

#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

namespace marbrel {

namespace {

QByteArray toBytes(const std::string& bytes) { return QByteArray(bytes.data(), qsizetype(bytes.size())); }

// One item of the clipboard: the formats offered when it was read, with the bytes of each format
// fetched from the owner the first time they are asked for.
class QtPasteboardItem : public PasteboardItem {
 public:
  QtPasteboardItem(QClipboard* clipboard, QClipboard::Mode mode, QStringList formats)
      : clipboard_(clipboard), mode_(mode), formats_(std::move(formats)) {}

  std::vector<std::string> types() const override {
    std::vector<std::string> result;
    result.reserve(std::size_t(formats_.size()));
    for (const QString& format : formats_) result.push_back(format.toStdString());
    return result;
  }

  std::optional<std::string> dataForType(const std::string& type) const override {
    const QString format = QString::fromStdString(type);
    if (!formats_.contains(format) || !QtPasteboard::isReadableFormat(format)) return std::nullopt;
    auto cached = cache_.find(type);
    if (cached != cache_.end()) return cached->second;
    std::optional<std::string> result;
    if (const QMimeData* mime = clipboard_ ? clipboard_->mimeData(mode_) : nullptr) {
      if (mime->hasFormat(format)) {
        const QByteArray bytes = mime->data(format);
        result = std::string(bytes.constData(), std::size_t(bytes.size()));
      }
    }
    cache_.emplace(type, result);
    return result;
  }

  std::optional<std::string> stringForType(const std::string& type) const override {
    std::optional<std::string> bytes = dataForType(type);
    if (!bytes) return std::nullopt;
    // Text is UTF-8; bytes that are not cannot be read as text.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(bytes->data(), qsizetype(bytes->size())));
    if (decoder.hasError()) return std::nullopt;
    return text.toStdString();
  }

 private:
  QPointer<QClipboard> clipboard_;
  QClipboard::Mode mode_;
  QStringList formats_;
  mutable std::map<std::string, std::optional<std::string>> cache_;
};

}  // namespace

QtPasteboard::QtPasteboard(QClipboard* clipboard, QClipboard::Mode mode, QObject* parent)
    : QObject(parent), clipboard_(clipboard ? clipboard : QGuiApplication::clipboard()), mode_(mode) {
  connect(clipboard_, &QClipboard::changed, this, [this](QClipboard::Mode changed) {
    if (changed != mode_) return;
    ++changeCount_;
    if (changeHandler_) changeHandler_();
  });
}

QtPasteboard::~QtPasteboard() = default;

bool QtPasteboard::isReadableFormat(const QString& format) { return format.contains(u'/'); }

QStringList QtPasteboard::itemFormats(const QStringList& offered) {
  QStringList result;
  for (const QString& format : offered) {
    if (format.isEmpty() || result.contains(format)) continue;
    if (format.startsWith(QLatin1String("application/x-qt-"))) continue;  // Qt's own inventions
    const bool mimeType = isReadableFormat(format);
    // A protocol target is an atom name in upper case (TARGETS, SAVE_TARGETS, UTF8_STRING);
    // markers that programs add are named in mixed case ("x-kde-passwordManagerHint").
    const bool named = format != format.toUpper();
    if (mimeType || named) result.append(format);
  }
  return result;
}

std::vector<std::shared_ptr<const PasteboardItem>> QtPasteboard::items() const {
  const QMimeData* mime = clipboard_->mimeData(mode_);
  if (!mime) return {};
  QStringList formats = itemFormats(mime->formats());
  if (formats.isEmpty()) return {};
  return {std::make_shared<QtPasteboardItem>(clipboard_, mode_, std::move(formats))};
}

void QtPasteboard::declareTypes(const std::vector<std::string>& types) {
  // The clipboard takes the new contents at once (which clears the old ones); the bytes follow in
  // setData() before the event loop runs again, so no other program can ask for them in between.
  auto* mime = new QMimeData;
  written_ = mime;
  clipboard_->setMimeData(mime, mode_);
}

void QtPasteboard::setData(const std::optional<std::string>& data, const std::string& type) {
  if (!data || !written_) return;
  written_->setData(QString::fromStdString(type), toBytes(*data));
}

}  // namespace marbrel
