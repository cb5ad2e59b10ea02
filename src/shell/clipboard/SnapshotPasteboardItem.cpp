#include "shell/clipboard/SnapshotPasteboardItem.h"

#include <QStringDecoder>

namespace marbrel {

SnapshotPasteboardItem::SnapshotPasteboardItem(std::vector<std::string> types, std::map<std::string, std::string> data)
    : types_(std::move(types)), data_(std::move(data)) {}

std::optional<std::string> SnapshotPasteboardItem::dataForType(const std::string& type) const {
  auto it = data_.find(type);
  if (it == data_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::string> SnapshotPasteboardItem::stringForType(const std::string& type) const {
  auto it = data_.find(type);
  if (it == data_.end()) return std::nullopt;
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = decoder.decode(QByteArrayView(it->second.data(), qsizetype(it->second.size())));
  if (decoder.hasError()) return std::nullopt;
  return it->second;
}

}  // namespace marbrel
