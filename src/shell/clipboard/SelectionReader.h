#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace marbrel {

class PasteboardItem;

// Reads the bytes of one clipboard selection from the pipes its owner writes them to: every format
// at once, on the event loop, never blocking it. A selection that stalls, takes too long or sends
// too much is given up as a whole, and only it.
class SelectionReader : public QObject {
  Q_OBJECT

 public:
  struct Limits {
    std::chrono::milliseconds stall{3000};   // no byte on any open pipe for this long
    std::chrono::milliseconds total{30000};  // the whole selection
    std::size_t maxBytes = std::size_t(256) << 20;  // all formats together
  };
  // Called once: with the item (every type, the bytes of the read ones) or, when given up, with
  // null and the reason.
  using Finished = std::function<void(std::shared_ptr<const PasteboardItem> item, const std::string& problem)>;

  // `types` are the item's types in the owner's order; `pipes` the read end of one pipe per type
  // to read (owned from now on: closed when done). Reading starts at once.
  SelectionReader(std::vector<std::string> types, const std::vector<std::pair<std::string, int>>& pipes,
                  Limits limits, Finished finished, QObject* parent = nullptr);
  ~SelectionReader() override;

 private:
  struct Pipe {
    std::string type;
    int fd = -1;
    std::string bytes;
    QSocketNotifier* notifier = nullptr;
  };

  void readFrom(Pipe& pipe);
  void closePipe(Pipe& pipe);
  void finishIfDone();
  void giveUp(const std::string& problem);

  std::vector<std::string> types_;
  std::vector<std::unique_ptr<Pipe>> pipes_;
  Limits limits_;
  Finished finished_;
  std::size_t total_ = 0;
  QTimer stallTimer_;
  QTimer totalTimer_;
};

}  // namespace marbrel
