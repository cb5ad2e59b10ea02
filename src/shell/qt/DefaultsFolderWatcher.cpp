#include "shell/qt/DefaultsFolderWatcher.h"

#include <filesystem>
#include <system_error>

#include <QString>

#include "core/config/Defaults.h"

namespace marbrel {

namespace {

// Writers replace the file by renaming a temporary one over it; a short pause lets a burst of such
// changes settle into one reading.
constexpr int kSettleMilliseconds = 50;

}  // namespace

DefaultsFolderWatcher::DefaultsFolderWatcher(Defaults& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMilliseconds);
  connect(&settle_, &QTimer::timeout, this, [this] { defaults_.reload(); });
  if (defaults.file().empty()) return;
  const std::filesystem::path folder = defaults.file().parent_path();
  std::error_code error;
  if (!std::filesystem::exists(folder, error)) {
    std::filesystem::create_directories(folder, error);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
  }
  watcher_.addPath(QString::fromStdString(folder.string()));
  if (std::filesystem::exists(defaults.file(), error)) watcher_.addPath(QString::fromStdString(defaults.file().string()));
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed(); });
}

bool DefaultsFolderWatcher::isWatching() const { return !watcher_.directories().isEmpty(); }

void DefaultsFolderWatcher::changed() {
  // A renamed-over file is a new file: watch it again.
  const QString file = QString::fromStdString(defaults_.file().string());
  std::error_code error;
  if (!watcher_.files().contains(file) && std::filesystem::exists(defaults_.file(), error)) watcher_.addPath(file);
  settle_.start();
}

}  // namespace marbrel
