#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "FuzzTarget.h"
#include "core/config/Configuration.h"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() {
  static const fs::path path = [] {
    std::string pattern = (fs::temp_directory_path() / "marbrel-fuzz-defaults-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }();
  return path;
}

}  // namespace

// Input: the bytes of a settings file. Reading it never fails; a write keeps every key that was
// readable, adds the new one, and leaves an unreadable file aside untouched.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  const fs::path dir = folder();
  for (const auto& entry : fs::directory_iterator(dir)) fs::remove_all(entry.path());
  const fs::path file = dir / "defaults.json";
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  marbrel::Defaults defaults(file);
  marbrel::ProcessArguments arguments;
  marbrel::Configuration configuration(defaults, arguments);
  (void)configuration.historySize();
  (void)configuration.sortBy();
  (void)configuration.pinTo();
  (void)configuration.popupPosition();
  (void)configuration.hideFooter();
  (void)configuration.imageMaxHeight();
  (void)configuration.ignoredPasteboardTypes();
  (void)defaults.doubleForKey("imageMaxHeight");
  (void)defaults.stringForKey("KeyboardShortcuts_popup");

  const marbrel::Defaults::Value before = defaults.persistentDomain();
  require(defaults.setBool("fuzzWrote", true), "a write to a private folder succeeds");
  marbrel::Defaults after(file);
  marbrel::Defaults::Value expected = before;
  expected["fuzzWrote"] = true;
  require(after.persistentDomain() == expected, "a write keeps every readable key");
  return 0;
}
