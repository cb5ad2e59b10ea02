#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "FuzzTarget.h"
#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"

namespace fs = std::filesystem;

namespace {

const fs::path& folder() {
  static const fs::path path = [] {
    std::string pattern = (fs::temp_directory_path() / "marbrel-fuzz-store-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    return fs::path(pattern);
  }();
  return path;
}

std::string readAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A sound store file with a few entries, made once: the damaged files are this one with the
// fuzzer's changes, so they get past the header and into the pages.
const std::string& soundStore() {
  static const std::string bytes = [] {
    const fs::path file = folder() / "template.sqlite";
    marbrel::FakeMainQueue clock;
    std::ostringstream log;
    {
      auto store = marbrel::HistoryStore::open(file, clock, false, log);
      store->insertItem({{"text/plain", "hello"}, {"text/html", "<b>hello</b>"}});
      store->insertItem({{"image/png", std::string(300, '\x89')}, {std::nullopt, std::nullopt}});
      store->insertItem({{"text/uri-list", "file:///tmp/a%20b"}});
      store->all().front()->setPin("b");
      store->saveContext();
    }
    // Fold the log into the file so a single file holds the database.
    std::string result = readAll(file);
    fs::remove(file);
    fs::remove(fs::path(file.string() + "-wal"));
    fs::remove(fs::path(file.string() + "-shm"));
    return result;
  }();
  return bytes;
}

}  // namespace

// Input: a list of (offset: 2 bytes, value: 1 byte) patches over a sound store file; an input that
// starts with "RAW" is taken as the whole file instead. Opening never crashes, the open store
// always answers, and a damaged file is moved aside rather than lost.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using marbrel::fuzz::require;
  std::string bytes;
  const std::string_view input = marbrel::fuzz::asText(data, size);
  if (input.substr(0, 3) == "RAW") {
    bytes = std::string(input.substr(3));
  } else {
    bytes = soundStore();
    for (std::size_t i = 0; i + 3 <= size && !bytes.empty(); i += 3) {
      const std::size_t offset = (std::size_t{data[i]} << 8 | data[i + 1]) * 7 % bytes.size();
      bytes[offset] = static_cast<char>(data[i + 2]);
    }
  }

  const fs::path dir = folder() / "case";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path file = dir / "MarbrelStorage.sqlite";
  std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  marbrel::FakeMainQueue clock;
  std::ostringstream log;
  auto store = marbrel::HistoryStore::open(file, clock, false, log);
  require(store != nullptr, "opening always gives a store");
  for (const auto& item : store->all()) {
    for (const auto& content : item->contents()) (void)content->value();
  }
  auto added = store->insertItem({{"text/plain", "after"}});
  store->saveContext();

  bool movedAside = false;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().find(".corrupt-") != std::string::npos) movedAside = true;
  }
  if (!movedAside) (void)store->integrityCheck();
  return 0;
}
