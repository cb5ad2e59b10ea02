#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace marbrel {

// The user's settings: values registered in memory at start-up, over a persistent JSON file that
// other processes (the `marbrel defaults` command, another instance) may write at any time.
//
// Reads look at the persistent domain first, then at the registered one. Writes take an exclusive
// lock on a lock file beside the settings file, re-read the file, change the one key, write a
// temporary file and rename it over the old one, so concurrent writers never lose each other's keys.
// Only a missing file is an empty one: a file that exists but cannot be read (another owner, no
// descriptors left) is left alone, what was read before stays, and writes are refused until it can
// be read again; a file that is not a JSON object is moved aside before the next write.
class Defaults {
 public:
  using Value = nlohmann::json;
  // Called with the key's new effective value (null when it has none any more).
  using Observer = std::function<void(const Value& newValue)>;
  using ObserverId = std::uint64_t;
  // Opens the settings file for reading: a descriptor, or -1 with errno set.
  using FileOpener = std::function<int(const std::filesystem::path&)>;
  // Told each problem met with the file, as a sentence for the user.
  using ProblemHandler = std::function<void(const std::string& message)>;

  // `file` is the settings file; an empty path keeps everything in memory. `opener` replaces the
  // plain open(2) (tests make it fail as a file of another owner would).
  explicit Defaults(std::filesystem::path file, FileOpener opener = {});
  ~Defaults();
  Defaults(const Defaults&) = delete;
  Defaults& operator=(const Defaults&) = delete;

  // $XDG_CONFIG_HOME/marbrel/defaults.json (~/.config when the variable is unset or relative).
  static std::filesystem::path standardFile();
  const std::filesystem::path& file() const { return file_; }

  // Puts `value` in the registration domain: what a read of a missing key returns. Never stored.
  void registerDefault(const std::string& key, Value value);

  // The effective value: the stored one, else the registered one, else nothing.
  std::optional<Value> objectForKey(const std::string& key) const;
  // The stored value alone.
  std::optional<Value> persistentObjectForKey(const std::string& key) const;
  // Every stored key and value, as a JSON object.
  const Value& persistentDomain() const { return persistent_; }

  // Typed reads with the usual conversions: a missing key or a value that does not convert gives
  // false, 0, 0.0 or nothing.
  bool boolForKey(const std::string& key) const;
  std::int64_t integerForKey(const std::string& key) const;
  double doubleForKey(const std::string& key) const;
  std::optional<std::string> stringForKey(const std::string& key) const;
  std::optional<Value> arrayForKey(const std::string& key) const;

  // Stores a value (written to the file at once) and notifies the key's observers if the effective
  // value changed. Returns false when the file could not be written, or was not because it cannot
  // be read (writing would lose what it holds); the value is kept in memory.
  bool set(const std::string& key, Value value);
  bool setBool(const std::string& key, bool value) { return set(key, Value(value)); }
  bool setInteger(const std::string& key, std::int64_t value) { return set(key, Value(value)); }
  bool setDouble(const std::string& key, double value) { return set(key, Value(value)); }
  bool setString(const std::string& key, const std::string& value) { return set(key, Value(value)); }
  // Removes the stored value, so reads fall back to the registered one.
  bool remove(const std::string& key);

  // Re-reads the file (after another process wrote it) and notifies observers of every observed key
  // whose effective value changed. A file that cannot be read changes nothing.
  void reload();

  // Observes one key's effective value, whoever changes it.
  ObserverId observe(const std::string& key, Observer observer);
  void removeObserver(ObserverId id);

  // The last problem met with the file (unreadable, not an object, not writable), for messages.
  const std::string& lastError() const { return lastError_; }
  // Whether the file exists but could not be read at the last reading.
  bool isUnreadable() const { return unreadable_; }
  // Tells `handler` every later problem (a write refused or failed, the file turning unreadable).
  // A problem met before, at construction say, is in lastError().
  void onProblem(ProblemHandler handler) { problemHandler_ = std::move(handler); }

 private:
  struct Observation {
    std::string key;
    Observer observer;
  };

  enum class FileState { read, missing, corrupt, unreadable };
  struct Reading {
    FileState state;
    Value domain;  // empty unless read
  };

  Reading readFile();
  bool writeKey(const std::string& key, const std::optional<Value>& value);
  // Keeps `value` in memory only, after a write that did not happen.
  void keepInMemory(const std::string& key, const std::optional<Value>& value);
  void replacePersistent(Value domain);
  void problem(std::string message);

  std::filesystem::path file_;
  FileOpener opener_;
  ProblemHandler problemHandler_;
  Value persistent_ = Value::object();
  Value registered_ = Value::object();
  std::map<ObserverId, Observation> observers_;
  ObserverId nextObserverId_ = 1;
  bool unreadable_ = false;
  std::string lastError_;
};

}  // namespace marbrel
