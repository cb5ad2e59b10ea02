#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace marbrel {

class Defaults;

// Watches the folder of the settings file, so that a change written by another process (such as
// `marbrel defaults write hideFooter -bool true`) reaches the running program: on any change in the
// folder the settings are read again, which tells their observers.
class DefaultsFolderWatcher : public QObject {
  Q_OBJECT

 public:
  // `defaults` is not owned and outlives the watcher. Creates the folder when it is missing.
  explicit DefaultsFolderWatcher(Defaults& defaults, QObject* parent = nullptr);

  // Whether the folder is being watched.
  bool isWatching() const;

 private:
  void changed();

  Defaults& defaults_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
};

}  // namespace marbrel
