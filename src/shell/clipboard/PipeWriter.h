#pragma once

#include <chrono>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

class QSocketNotifier;

namespace marbrel {

// Writes one value to the pipe of a program that asked for it, on the event loop without blocking
// it, then closes the pipe and deletes itself. A reader that stops reading for too long is given up;
// one that goes away ends the writing (the program ignores SIGPIPE from the first writer on).
class PipeWriter : public QObject {
  Q_OBJECT

 public:
  // Starts writing `bytes` (shared, not copied) to `fd` (owned from now on).
  static void start(int fd, std::shared_ptr<const std::string> bytes,
                    std::chrono::milliseconds stall = std::chrono::seconds(10), QObject* parent = nullptr);
  ~PipeWriter() override;

 private:
  PipeWriter(int fd, std::shared_ptr<const std::string> bytes, std::chrono::milliseconds stall, QObject* parent);
  void write();
  void finish();

  int fd_;
  std::shared_ptr<const std::string> bytes_;
  std::size_t written_ = 0;
  std::chrono::milliseconds stall_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer stallTimer_;
};

}  // namespace marbrel
