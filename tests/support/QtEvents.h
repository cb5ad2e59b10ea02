#pragma once

#include <chrono>
#include <functional>

#include <QCoreApplication>
#include <QEventLoop>

namespace marbrel::testing {

// Runs the Qt event loop until `done` holds or the deadline passes, and answers `done`. The default
// deadline is generous: a busy machine may take seconds for what is instant on a quiet one.
inline bool processEventsUntil(const std::function<bool()>& done,
                               std::chrono::milliseconds deadline = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

}  // namespace marbrel::testing
