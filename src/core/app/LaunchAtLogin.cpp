#include "core/app/LaunchAtLogin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/config/PrivateFiles.h"

namespace marbrel {

namespace fs = std::filesystem;

namespace {

// Larger files are not desktop entries we could have written; reading stops there.
constexpr std::streamsize kMaxEntryBytes = 64 * 1024;

std::string_view trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The keys of the [Desktop Entry] group that decide whether the session starts the entry.
struct AutostartKeys {
  bool hasGroup = false;
  std::optional<std::string> type;
  std::optional<std::string> exec;
  std::optional<std::string> tryExec;
  std::optional<std::string> hidden;
  std::optional<std::string> gnomeEnabled;
};

AutostartKeys readAutostartKeys(std::istream& in) {
  AutostartKeys keys;
  bool inGroup = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string_view text = trim(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      inGroup = text == "[Desktop Entry]";
      // Only the first group of that name counts; a repeated one is not a valid entry's.
      if (inGroup && keys.hasGroup) break;
      keys.hasGroup = keys.hasGroup || inGroup;
      continue;
    }
    if (!inGroup) continue;
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = trim(text.substr(0, equals));
    const std::string value(trim(text.substr(equals + 1)));
    // The first occurrence of a key is the one that counts.
    auto take = [&](std::optional<std::string>& slot) {
      if (!slot) slot = value;
    };
    if (key == "Type") take(keys.type);
    else if (key == "Exec") take(keys.exec);
    else if (key == "TryExec") take(keys.tryExec);
    else if (key == "Hidden") take(keys.hidden);
    else if (key == "X-GNOME-Autostart-enabled") take(keys.gnomeEnabled);
  }
  return keys;
}

bool isTrue(const std::optional<std::string>& value) { return value && (*value == "true" || *value == "1"); }
bool isFalse(const std::optional<std::string>& value) { return value && (*value == "false" || *value == "0"); }

// A string value as written in a desktop entry: a backslash is doubled.
std::string escapedValue(const std::string& text) {
  std::string value;
  for (const char c : text) value += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return value;
}

// A string value as read from a desktop entry: \s \n \t \r \\ stand for their characters.
std::string unescapedValue(const std::string& value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      c = next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
    }
    text += c;
  }
  return text;
}

// Whether the session can start `program`: an executable file at that path or, for a bare name,
// in one of the PATH folders.
bool canStart(const std::string& program) {
  if (program.empty()) return false;
  auto executable = [](const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
  };
  if (program.find('/') != std::string::npos) return executable(program);
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && executable(fs::path(folder) / program)) return true;
  }
  return false;
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

std::string desktopEntryExecValue(const std::string& program) {
  if (program.empty()) return {};
  bool needsQuotes = false;
  for (const char c : program) {
    if (c == '\n' || c == '\r' || c == '\0') return {};
    if (std::string_view(" \t\"'\\><~|&;$*?#()`=").find(c) != std::string_view::npos) needsQuotes = true;
  }
  // Inside quotes, " ` $ and \ take a backslash; the value's own escaping then doubles every
  // backslash; a literal % is written %% so that it is not read as a field code.
  std::string quoted;
  if (needsQuotes) quoted += '"';
  for (const char c : program) {
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
    quoted += c;
  }
  if (needsQuotes) quoted += '"';
  std::string value;
  for (const char c : quoted) {
    if (c == '\\') value += "\\\\";
    else if (c == '%') value += "%%";
    else value += c;
  }
  return value;
}

std::string desktopEntryProgram(const std::string& execValue) {
  const std::string command = unescapedValue(execValue);
  // The first argument: up to a space, or a quoted string in which \" \` \$ \\ stand for the
  // character; %% is a literal %.
  std::string program;
  std::size_t i = command.find_first_not_of(' ');
  if (i == std::string::npos) return {};
  const bool quoted = command[i] == '"';
  bool closed = !quoted;
  for (i += quoted ? 1 : 0; i < command.size(); ++i) {
    const char c = command[i];
    if (quoted && c == '"') {
      closed = true;
      break;
    }
    if (!quoted && c == ' ') break;
    if (quoted && c == '\\' && i + 1 < command.size()) {
      program += command[++i];
    } else if (c == '%' && i + 1 < command.size() && command[i + 1] == '%') {
      program += '%';
      ++i;
    } else {
      program += c;
    }
  }
  return closed ? program : std::string();
}

LaunchAtLogin::LaunchAtLogin(fs::path entryFile, fs::path program)
    : entryFile_(std::move(entryFile)), program_(std::move(program)) {}

fs::path LaunchAtLogin::standardEntryFile() { return configHome() / "autostart" / kEntryName; }

fs::path LaunchAtLogin::runningProgram() {
  // An AppImage runs from a temporary mount; the session must start the image itself.
  if (const char* image = std::getenv("APPIMAGE"); image && image[0] == '/') return image;
  std::error_code error;
  fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  // After an upgrade replaced the executable, the link names the old file with this suffix; the
  // new file at the same place is the one to start next time.
  static constexpr std::string_view kDeleted = " (deleted)";
  const std::string text = program.string();
  if (text.size() > kDeleted.size() && text.ends_with(kDeleted)) {
    fs::path replaced = text.substr(0, text.size() - kDeleted.size());
    if (fs::exists(replaced, error)) return replaced;
  }
  return program;
}

bool LaunchAtLogin::isEnabled() const {
  std::error_code error;
  if (!fs::is_regular_file(entryFile_, error)) return false;
  std::ifstream file(entryFile_, std::ios::binary);
  if (!file) return false;
  std::string text(static_cast<std::size_t>(kMaxEntryBytes), '\0');
  file.read(text.data(), kMaxEntryBytes);
  text.resize(static_cast<std::size_t>(file.gcount()));
  if (text.find('\0') != std::string::npos) return false;  // not a text file
  std::istringstream lines(text);
  const AutostartKeys keys = readAutostartKeys(lines);
  if (!keys.hasGroup || keys.type != "Application") return false;
  if (!keys.exec || keys.exec->empty()) return false;
  if (isTrue(keys.hidden) || isFalse(keys.gnomeEnabled)) return false;
  // An entry whose program is gone starts nothing (sessions skip it or fail on it).
  if (keys.tryExec && !canStart(unescapedValue(*keys.tryExec))) return false;
  return canStart(desktopEntryProgram(*keys.exec));
}

bool LaunchAtLogin::setEnabled(bool enabled) { return enabled ? writeEntry() : removeEntry(); }

std::string LaunchAtLogin::entryText() const {
  std::string text;
  text += "[Desktop Entry]\n";
  text += "Type=Application\n";
  text += "Name=Marbrel\n";
  text += "Comment=Clipboard history\n";
  text += "Exec=" + desktopEntryExecValue(program_.string()) + "\n";
  // Sessions skip the entry, rather than fail to start it, once the program is gone.
  text += "TryExec=" + escapedValue(program_.string()) + "\n";
  text += "Icon=org.marbrel.Marbrel\n";
  text += "Terminal=false\n";
  text += "X-GNOME-Autostart-enabled=true\n";
  return text;
}

bool LaunchAtLogin::writeEntry() const {
  if (desktopEntryExecValue(program_.string()).empty()) return false;
  const fs::path folder = entryFile_.parent_path();
  if (!ensurePrivateFolder(folder)) return false;

  std::string pattern = (folder / ("." + entryFile_.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return false;
  const std::string text = entryText();
  const bool written = ::fchmod(fd, 0600) == 0 && writeAll(fd, text) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(pattern.c_str(), entryFile_.c_str()) != 0) {
    ::unlink(pattern.c_str());
    return false;
  }
  return true;
}

bool LaunchAtLogin::removeEntry() const {
  if (::unlink(entryFile_.c_str()) == 0) return true;
  return errno == ENOENT;
}

}  // namespace marbrel
