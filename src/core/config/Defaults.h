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
class Defaults {
 public:
  using Value = nlohmann::json;
  // Called with the key's new effective value (null when it has none any more).
  using Observer = std::function<void(const Value& newValue)>;
  using ObserverId = std::uint64_t;

  // `file` is the settings file; an empty path keeps everything in memory.
  explicit Defaults(std::filesystem::path file);
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
  // value changed. Returns false when the file could not be written; the value is kept in memory.
  bool set(const std::string& key, Value value);
  bool setBool(const std::string& key, bool value) { return set(key, Value(value)); }
  bool setInteger(const std::string& key, std::int64_t value) { return set(key, Value(value)); }
  bool setDouble(const std::string& key, double value) { return set(key, Value(value)); }
  bool setString(const std::string& key, const std::string& value) { return set(key, Value(value)); }
  // Removes the stored value, so reads fall back to the registered one.
  bool remove(const std::string& key);

  // Re-reads the file (after another process wrote it) and notifies observers of every observed key
  // whose effective value changed.
  void reload();

  // Observes one key's effective value, whoever changes it.
  ObserverId observe(const std::string& key, Observer observer);
  void removeObserver(ObserverId id);

  // The last problem met with the file (unreadable, not an object, not writable), for messages.
  const std::string& lastError() const { return lastError_; }

 private:
  struct Observation {
    std::string key;
    Observer observer;
  };

  Value readFile();
  bool writeKey(const std::string& key, const std::optional<Value>& value);
  void replacePersistent(Value domain);

  std::filesystem::path file_;
  Value persistent_ = Value::object();
  Value registered_ = Value::object();
  std::map<ObserverId, Observation> observers_;
  ObserverId nextObserverId_ = 1;
  bool fileCorrupt_ = false;
  std::string lastError_;
};

}  // namespace marbrel
