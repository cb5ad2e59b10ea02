#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace marbrel::bench {

// What /proc tells about a running process: processor time used and resident memory.
class ProcessSample {
 public:
  // utime + stime in seconds, or nothing when the process is gone.
  static std::optional<double> cpuSeconds(pid_t pid);
  // VmRSS in kibibytes, or nothing when the process is gone.
  static std::optional<long> residentKilobytes(pid_t pid);

  // How long the main thread has run on a processor and waited, ready, for one (milliseconds):
  // the second grows when other programs keep the processors busy.
  struct ThreadTimes {
    double ran = 0;
    double waited = 0;
  };
  static std::optional<ThreadTimes> mainThreadTimes(pid_t pid);
  // How long all of the process's live threads have run on a processor (milliseconds, to the
  // nanosecond, unlike cpuSeconds; threads that have ended no longer count).
  static std::optional<double> threadsRan(pid_t pid);
  // The machine's load averages over 1, 5 and 15 minutes, as "1.20 0.80 0.50".
  static std::string loadAverage();
};

}  // namespace marbrel::bench
