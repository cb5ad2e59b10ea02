#pragma once

#include <filesystem>
#include <string>

namespace marbrel {

// Whether the desktop starts Marbrel when the user logs in, kept as an XDG autostart entry: a
// desktop file in the user's autostart folder that the session starts at login.
class LaunchAtLogin {
 public:
  // The autostart entry's file name: the program's id followed by "-LaunchAtLoginHelper".
  static constexpr const char* kEntryName = "org.marbrel.Marbrel-LaunchAtLoginHelper.desktop";

  // `entryFile` is the autostart file; `program` the executable that the entry starts.
  LaunchAtLogin(std::filesystem::path entryFile, std::filesystem::path program);

  // $XDG_CONFIG_HOME/autostart/<kEntryName>.
  static std::filesystem::path standardEntryFile();
  // The running program's own executable (empty when it cannot be found).
  static std::filesystem::path runningProgram();

  const std::filesystem::path& entryFile() const { return entryFile_; }

  // What the desktop will do at the next login: true when the entry exists, is a readable desktop
  // entry for an application with a command, is neither hidden nor disabled
  // (Hidden=true or X-GNOME-Autostart-enabled=false), and its program (TryExec and Exec) is still
  // there to start.
  bool isEnabled() const;

  // Creates the entry (replacing any other file of that name at once, never leaving a half-written
  // one) or removes it. Returns false when that could not be done; isEnabled() then still tells
  // the truth.
  bool setEnabled(bool enabled);

  // The entry's text as it is written: starts `program` with no arguments.
  std::string entryText() const;

 private:
  bool writeEntry() const;
  bool removeEntry() const;

  std::filesystem::path entryFile_;
  std::filesystem::path program_;
};

// The Exec value that starts `program` with no arguments, quoted and escaped for a desktop entry;
// empty when the path cannot be written in one (it holds a line break or a NUL).
std::string desktopEntryExecValue(const std::string& program);

// The program an Exec value starts (its first argument, unquoted and unescaped); empty when the
// value holds none or is malformed.
std::string desktopEntryProgram(const std::string& execValue);

}  // namespace marbrel
