#include "ProcessSample.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace marbrel::bench {

std::optional<double> ProcessSample::cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  // The command name is in parentheses and may hold spaces: fields are counted after its end.
  const auto close = line.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  std::istringstream fields(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // After the name: state (3), ..., utime (14), stime (15).
  for (int number = 3; number <= 13; ++number) fields >> field;
  if (!(fields >> utime >> stime)) return std::nullopt;
  return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
}

std::optional<long> ProcessSample::residentKilobytes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return std::nullopt;
}

std::optional<ProcessSample::ThreadTimes> ProcessSample::mainThreadTimes(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/schedstat");
  unsigned long long ran = 0, waited = 0;
  if (!(in >> ran >> waited)) return std::nullopt;
  return ThreadTimes{double(ran) / 1e6, double(waited) / 1e6};
}

std::optional<double> ProcessSample::threadsRan(pid_t pid) {
  std::error_code error;
  double ran = 0;
  bool any = false;
  for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
    std::ifstream in(task.path() / "schedstat");
    unsigned long long nanoseconds = 0;
    if (!(in >> nanoseconds)) continue;
    ran += double(nanoseconds) / 1e6;
    any = true;
  }
  if (!any) return std::nullopt;
  return ran;
}

std::string ProcessSample::loadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

}  // namespace marbrel::bench
