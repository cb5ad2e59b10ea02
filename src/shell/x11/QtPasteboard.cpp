#include "shell/x11/QtPasteboard.h"

#include <algorithm>

#include <QGuiApplication>
#include <QMimeData>
#include <QStringDecoder>

#include "shell/x11/X11ClipboardReader.h"

// X11 headers last: their macros break Qt headers included after them.
#include <xcb/xcb.h>

namespace marbrel {

namespace {

QByteArray toBytes(const std::string& bytes) { return QByteArray(bytes.data(), qsizetype(bytes.size())); }

// One reading of the clipboard: its types in the owner's order, each with the bytes read or none.
class ReadPasteboardItem : public PasteboardItem {
 public:
  explicit ReadPasteboardItem(X11ClipboardReader::Contents formats) : formats_(std::move(formats)) {}
  explicit ReadPasteboardItem(const std::vector<std::pair<std::string, std::string>>& formats) {
    for (const auto& [type, bytes] : formats) formats_.push_back({type, bytes});
  }

  std::vector<std::string> types() const override {
    std::vector<std::string> result;
    result.reserve(formats_.size());
    for (const auto& format : formats_) result.push_back(format.type);
    return result;
  }

  std::optional<std::string> dataForType(const std::string& type) const override {
    const auto format = std::find_if(formats_.begin(), formats_.end(), [&](const auto& f) { return f.type == type; });
    return format == formats_.end() ? std::nullopt : format->bytes;
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
  X11ClipboardReader::Contents formats_;
};

}  // namespace

QtPasteboard::QtPasteboard(QClipboard* clipboard, QClipboard::Mode mode, QObject* parent)
    : QObject(parent), clipboard_(clipboard ? clipboard : QGuiApplication::clipboard()), mode_(mode) {
  if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
    if (const xcb_setup_t* setup = x11->connection() ? xcb_get_setup(x11->connection()) : nullptr) {
      ownWindowBase_ = setup->resource_id_base;
      ownWindowMask_ = setup->resource_id_mask;
    }
  }
  const char* selection = mode == QClipboard::Selection ? "PRIMARY" : "CLIPBOARD";
  reader_ = std::make_unique<X11ClipboardReader>(selection, [this](X11ClipboardReader::Reading reading) {
    // On the reader's thread: the new contents take effect on the main thread, in the order read.
    std::shared_ptr<const PasteboardItem> item;
    if (!reading.contents.empty()) item = std::make_shared<const ReadPasteboardItem>(std::move(reading.contents));
    QMetaObject::invokeMethod(this, [this, owner = reading.owner, item] { take(owner, item); },
                              Qt::QueuedConnection);
  });
}

// The reader stops first, so nothing is handed to a half-destroyed object.
QtPasteboard::~QtPasteboard() { reader_.reset(); }

bool QtPasteboard::isWatching() const { return reader_->isWatching(); }

void QtPasteboard::take(std::uint32_t owner, std::shared_ptr<const PasteboardItem> item) {
  // Our own write reads back as written, so choosing an entry puts back the same contents.
  const bool ours = owner != 0 && ownWindowMask_ != 0 && (owner & ~ownWindowMask_) == ownWindowBase_;
  if (ours && written_ && clipboard_->mimeData(mode_) == written_.data()) {
    item = writtenFormats_.empty() ? nullptr : std::make_shared<const ReadPasteboardItem>(writtenFormats_);
  }
  items_.clear();
  if (item) items_.push_back(std::move(item));
  ++changeCount_;
  if (changeHandler_) changeHandler_();
}

void QtPasteboard::declareTypes(const std::vector<std::string>& types) {
  // The clipboard takes the new contents at once (which clears the old ones); the bytes follow in
  // setData() before the event loop runs again, so no other program can ask for them in between.
  // Only the types given bytes are offered.
  (void)types;
  auto* mime = new QMimeData;
  written_ = mime;
  writtenFormats_.clear();
  clipboard_->setMimeData(mime, mode_);
}

void QtPasteboard::setData(const std::optional<std::string>& data, const std::string& type) {
  if (!data || !written_) return;
  written_->setData(QString::fromStdString(type), toBytes(*data));
  const auto same = [&](const auto& format) { return format.first == type; };
  writtenFormats_.erase(std::remove_if(writtenFormats_.begin(), writtenFormats_.end(), same), writtenFormats_.end());
  writtenFormats_.emplace_back(type, *data);
}

bool QtPasteboard::setPrimarySelectionText(const std::string& text) {
  if (!clipboard_->supportsSelection()) return false;
  clipboard_->setText(QString::fromStdString(text), QClipboard::Selection);
  return true;
}

}  // namespace marbrel
