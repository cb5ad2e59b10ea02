#include "core/config/Defaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <system_error>
#include <vector>

#include "core/config/PrivateFiles.h"

namespace marbrel {

namespace {

namespace fs = std::filesystem;

std::string errnoText(const std::string& what, const fs::path& path, int error = errno) {
  return what + " " + path.string() + ": " + std::strerror(error);
}

// Holds an exclusive flock on the lock file beside the settings file for as long as it lives.
class FileLock {
 public:
  explicit FileLock(const fs::path& lockFile) {
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing drops the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool locked() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

std::string timestamp() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%dT%H%M%SZ", &tm);
  return buffer;
}

bool writeWhole(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Moves a damaged settings file to <file>.corrupt-<time>, or -2, -3 ... when that is taken: a file
// moved aside earlier (in the same second, say) is never replaced.
bool moveAside(const fs::path& file, std::string& error) {
  const std::string base = file.string() + ".corrupt-" + timestamp();
  for (int n = 1; n <= 1000; ++n) {
    const std::string target = n == 1 ? base : base + "-" + std::to_string(n);
    if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EEXIST) continue;
    if (errno == EINVAL || errno == ENOSYS) {
      // A file system that cannot refuse to replace: look first.
      struct stat taken {};
      if (::lstat(target.c_str(), &taken) == 0) continue;
      if (::rename(file.c_str(), target.c_str()) == 0) return true;
    }
    error = errnoText("cannot move aside", file);
    return false;
  }
  error = "cannot move aside " + file.string() + ": too many damaged copies beside it";
  return false;
}

// A real number read as an integer: truncated toward zero, clamped to the 64-bit range.
std::int64_t clampToInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

// The number at the start of a text ("12", " 3.7", "-4abc"), as an integer.
std::optional<std::int64_t> parseInteger(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return std::nullopt;
  return clampToInteger(value);
}

}  // namespace

Defaults::Defaults(std::filesystem::path file, FileOpener opener)
    : file_(std::move(file)), opener_(std::move(opener)) {
  if (file_.empty()) return;
  Reading reading = readFile();
  unreadable_ = reading.state == FileState::unreadable;
  persistent_ = std::move(reading.domain);
}

Defaults::~Defaults() = default;

std::filesystem::path Defaults::standardFile() {
  return configHome() / "marbrel" / "defaults.json";
}

void Defaults::registerDefault(const std::string& key, Value value) {
  registered_[key] = std::move(value);
}

std::optional<Defaults::Value> Defaults::persistentObjectForKey(const std::string& key) const {
  auto it = persistent_.find(key);
  if (it == persistent_.end()) return std::nullopt;
  return *it;
}

std::optional<Defaults::Value> Defaults::objectForKey(const std::string& key) const {
  if (auto stored = persistentObjectForKey(key)) return stored;
  auto it = registered_.find(key);
  if (it == registered_.end()) return std::nullopt;
  return *it;
}

bool Defaults::boolForKey(const std::string& key) const {
  const auto value = objectForKey(key);
  if (!value) return false;
  if (value->is_boolean()) return value->get<bool>();
  if (value->is_number_integer()) return value->get<std::int64_t>() != 0;
  if (value->is_number_unsigned()) return value->get<std::uint64_t>() != 0;
  if (value->is_number_float()) return value->get<double>() != 0.0;
  if (value->is_string()) {
    std::string text = value->get<std::string>();
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (text == "yes" || text == "true") return true;
    const auto number = parseInteger(text);
    return number && *number != 0;
  }
  return false;
}

std::int64_t Defaults::integerForKey(const std::string& key) const {
  const auto value = objectForKey(key);
  if (!value) return 0;
  if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
  if (value->is_number_integer()) return value->get<std::int64_t>();
  if (value->is_number_unsigned()) {
    const auto u = value->get<std::uint64_t>();
    return u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
               ? std::numeric_limits<std::int64_t>::max()
               : static_cast<std::int64_t>(u);
  }
  if (value->is_number_float()) return clampToInteger(value->get<double>());
  if (value->is_string()) return parseInteger(value->get<std::string>()).value_or(0);
  return 0;
}

double Defaults::doubleForKey(const std::string& key) const {
  const auto value = objectForKey(key);
  if (!value) return 0.0;
  if (value->is_boolean()) return value->get<bool>() ? 1.0 : 0.0;
  if (value->is_number()) return value->get<double>();
  if (value->is_string()) {
    const std::string text = value->get<std::string>();
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    return end == text.c_str() ? 0.0 : number;
  }
  return 0.0;
}

std::optional<std::string> Defaults::stringForKey(const std::string& key) const {
  const auto value = objectForKey(key);
  if (!value || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

std::optional<Defaults::Value> Defaults::arrayForKey(const std::string& key) const {
  const auto value = objectForKey(key);
  if (!value || !value->is_array()) return std::nullopt;
  return value;
}

bool Defaults::set(const std::string& key, Value value) {
  return writeKey(key, std::move(value));
}

bool Defaults::remove(const std::string& key) {
  return writeKey(key, std::nullopt);
}

void Defaults::reload() {
  if (file_.empty()) return;
  const bool wasUnreadable = unreadable_;
  Reading reading = readFile();
  unreadable_ = reading.state == FileState::unreadable;
  if (unreadable_) {
    // What was read before stays; say so once, not at every change in the folder.
    if (!wasUnreadable) problem(lastError_);
    return;
  }
  replacePersistent(std::move(reading.domain));
}

Defaults::ObserverId Defaults::observe(const std::string& key, Observer observer) {
  const ObserverId id = nextObserverId_++;
  observers_[id] = Observation{key, std::move(observer)};
  return id;
}

void Defaults::removeObserver(ObserverId id) {
  observers_.erase(id);
}

Defaults::Reading Defaults::readFile() {
  const int fd = opener_ ? opener_(file_) : ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return {FileState::missing, Value::object()};  // no file yet: nothing stored
  std::string text;
  int error = fd < 0 ? errno : 0;
  if (fd >= 0) {
    char buffer[16384];
    while (true) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0) {
        break;
      } else if (errno != EINTR) {
        error = errno;
        break;
      }
    }
    ::close(fd);
  }
  if (error != 0) {
    lastError_ = errnoText("cannot read the settings file", file_, error) +
                 "; it is left as it is, and changed settings are not saved until it can be read";
    return {FileState::unreadable, Value::object()};
  }
  Value parsed = Value::parse(text, nullptr, /*allow_exceptions=*/false);
  if (parsed.is_discarded() || !parsed.is_object()) {
    lastError_ = "the settings file " + file_.string() + " is not a JSON object; it is ignored";
    return {FileState::corrupt, Value::object()};
  }
  return {FileState::read, std::move(parsed)};
}

bool Defaults::writeKey(const std::string& key, const std::optional<Value>& value) {
  if (file_.empty()) {
    keepInMemory(key, value);
    return true;
  }

  const fs::path folder = file_.parent_path();
  if (!ensurePrivateFolder(folder)) {
    problem(errnoText("cannot create", folder));
    keepInMemory(key, value);
    return false;
  }

  bool written = false;
  std::string refused;
  Value domain;
  {
    FileLock lock(fs::path(file_.string() + ".lock"));
    Reading reading = readFile();
    unreadable_ = reading.state == FileState::unreadable;
    if (unreadable_) {
      // Writing now would replace settings that are there but could not be read.
      refused = lastError_;
    } else if (reading.state == FileState::corrupt) {
      // Keep what the user had: the damaged file moves aside instead of being overwritten.
      std::string error;
      if (!moveAside(file_, error)) refused = error + "; the damaged settings file is left as it is";
    }
    if (refused.empty()) {
      domain = std::move(reading.domain);
      if (value) domain[key] = *value; else domain.erase(key);

      const fs::path temp = file_.string() + ".tmp-" + std::to_string(::getpid());
      const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
      if (fd < 0) {
        lastError_ = errnoText("cannot write", temp);
      } else {
        const bool ok = writeWhole(fd, domain.dump(2) + "\n") && ::fsync(fd) == 0;
        ::close(fd);
        if (ok && ::rename(temp.c_str(), file_.c_str()) == 0) {
          written = true;
        } else {
          lastError_ = errnoText("cannot write", file_);
          ::unlink(temp.c_str());
        }
      }
      if (!lock.locked() && written) lastError_ = "the settings were written without a lock";
    }
  }
  if (!refused.empty()) {
    problem("the setting \"" + key + "\" was not saved: " + refused);
    keepInMemory(key, value);
    return false;
  }
  if (!written) problem(lastError_);
  replacePersistent(std::move(domain));
  return written;
}

void Defaults::keepInMemory(const std::string& key, const std::optional<Value>& value) {
  Value domain = persistent_;
  if (value) domain[key] = *value; else domain.erase(key);
  replacePersistent(std::move(domain));
}

void Defaults::problem(std::string message) {
  lastError_ = std::move(message);
  if (problemHandler_) problemHandler_(lastError_);
}

void Defaults::replacePersistent(Value domain) {
  // Effective values of the observed keys before and after, so only real changes notify.
  std::vector<std::pair<ObserverId, std::optional<Value>>> before;
  for (const auto& [id, observation] : observers_) before.emplace_back(id, objectForKey(observation.key));
  persistent_ = std::move(domain);
  for (const auto& [id, old] : before) {
    auto it = observers_.find(id);
    if (it == observers_.end()) continue;  // removed by an earlier observer
    const auto now = objectForKey(it->second.key);
    if (now == old) continue;
    const Observer observer = it->second.observer;  // it may remove itself
    observer(now.value_or(Value()));
  }
}

}  // namespace marbrel
