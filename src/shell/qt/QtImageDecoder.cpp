#include "shell/qt/QtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

namespace marbrel {

std::optional<ImageSize> QtImageDecoder::imageSize(std::string_view bytes, std::string_view type) const {
  if (bytes.empty()) return std::nullopt;
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  if (!buffer.open(QIODevice::ReadOnly)) return std::nullopt;
  // The content decides the format; the type is only a hint for formats without a signature.
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  if (reader.format().isEmpty()) {
    const auto slash = type.find('/');
    if (slash != std::string_view::npos) {
      buffer.seek(0);
      reader.setDevice(&buffer);
      reader.setFormat(QByteArray(type.data() + slash + 1, qsizetype(type.size() - slash - 1)));
    }
  }
  QSize size = reader.size();
  if (!size.isValid()) {
    // Some readers cannot tell the size without decoding.
    const QImage image = reader.read();
    size = image.size();
  }
  if (size.width() <= 0 || size.height() <= 0) return std::nullopt;
  return ImageSize{double(size.width()), double(size.height())};
}

}  // namespace marbrel
