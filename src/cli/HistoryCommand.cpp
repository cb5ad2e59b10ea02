#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CommandLine.h"
#include "core/config/Configuration.h"
#include "core/config/Defaults.h"
#include "core/config/ProcessArguments.h"
#include "core/history/HistoryStore.h"
#include "core/history/Sorter.h"
#include "core/menu/HistoryMenuItem.h"
#include "core/menu/Search.h"
#include "core/platform/ImageDecoder.h"
#include "core/platform/PasteboardTypes.h"
#include "core/platform/Strings.h"

namespace marbrel::cli {

namespace {

// The usage lines; with `full`, what the commands and options do.
void printHistoryUsage(std::ostream& stream, bool full) {
  stream << "usage: marbrel history list [--json]\n"
            "       marbrel history search [--fuzzy] QUERY [--json]\n";
  if (!full) return;
  stream << "\n"
            "list    prints the history in menu order, top first: pin letter (* for a pin without a\n"
            "        letter), number of copies and title, one entry per line\n"
            "search  prints the entries the menu's search shows for QUERY, in the same form; the plain\n"
            "        search ignores case, --fuzzy ranks approximate matches by score\n"
            "\n"
            "  --json   prints a JSON array of objects with title, numberOfCopies, pin, firstCopiedAt,\n"
            "           lastCopiedAt (ISO 8601, UTC) and types\n"
            "  --       ends the options, so that a QUERY may start with -\n"
            "\n"
            "The history is read without changing it, also while Marbrel runs.\n";
}

int usageError(std::ostream& err, const std::string& problem) {
  err << "marbrel history: " << problem << "\n";
  printHistoryUsage(err, false);
  return kExitUsage;
}

// The command line reads titles only; image sizes and tooltip texts are the desktop program's.
class NoImageDecoder : public ImageDecoder {
 public:
  std::optional<ImageSize> imageSize(std::string_view, std::string_view) const override {
    return std::nullopt;
  }
};

// The command line speaks English: the one text a title is made from is given, any other key
// stands for itself.
class TitleStrings : public Strings {
 public:
  std::string localized(std::string_view key) const override {
    if (key == "history_item_file_list") return "{name} + {count} more";
    return std::string(key);
  }
};

struct Request {
  bool search = false;
  bool fuzzy = false;
  bool json = false;
  std::string query;
};

// Reads the arguments after "history"; on a mistake fills `problem`.
std::optional<Request> parseArguments(const std::vector<std::string>& args, std::string& problem) {
  if (args.empty()) {
    problem = "missing sub-command (list or search)";
    return std::nullopt;
  }
  Request request;
  if (args.front() == "search") {
    request.search = true;
  } else if (args.front() != "list") {
    problem = "unknown sub-command '" + args.front() + "'";
    return std::nullopt;
  }
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg == "--json") {
      request.json = true;
    } else if (!optionsEnded && arg == "--fuzzy" && request.search) {
      request.fuzzy = true;
    } else if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
      problem = "unknown option '" + arg + "'";
      return std::nullopt;
    } else {
      operands.push_back(arg);
    }
  }
  if (!request.search && !operands.empty()) {
    problem = "list takes no argument '" + operands.front() + "'";
    return std::nullopt;
  }
  if (request.search && operands.size() != 1) {
    problem = operands.empty() ? "search needs a QUERY" : "search takes one QUERY (quote a query with spaces)";
    return std::nullopt;
  }
  if (request.search) request.query = operands.front();
  return request;
}

// What the menu holds on opening, without changing the store: unpinned entries beyond
// "historySize" are left out as the menu's own reading would delete them.
std::vector<HistoryItemPtr> currentEntries(const HistoryStore& store, const Configuration& configuration) {
  std::vector<HistoryItemPtr> entries = store.all();
  const std::int64_t limit = configuration.historySize();
  std::int64_t unpinned = 0;
  for (const auto& entry : entries) unpinned += entry->isPinned() ? 0 : 1;
  // all() is newest first, so the oldest unpinned entries are the last ones.
  for (auto it = entries.end(); it != entries.begin() && unpinned > limit;) {
    --it;
    if ((*it)->isPinned()) continue;
    it = entries.erase(it);
    --unpinned;
  }
  return entries;
}

std::optional<std::string> isoDate(double seconds) {
  if (!std::isfinite(seconds)) return std::nullopt;
  const double whole = std::floor(seconds);
  if (whole < -6.0e10 || whole > 2.5e11) return std::nullopt;  // outside years 0 to 9999
  const auto time = static_cast<std::time_t>(whole);
  std::tm parts{};
  if (!gmtime_r(&time, &parts)) return std::nullopt;
  char buffer[32];
  if (std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) return std::nullopt;
  return std::string(buffer);
}

bool hasImage(const HistoryItem& entry) {
  for (const auto& content : entry.contents()) {
    const auto& type = content->type();
    if (type && (*type == pasteboard_types::kPNG || *type == pasteboard_types::kTIFF)) return true;
  }
  return false;
}

// A title as the menu shows it (already on one line), with any control character left shown as a
// space so that it cannot move the terminal's cursor.
std::string oneLine(const std::string& title) {
  std::string line = title;
  for (char& c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  return line;
}

void printText(const std::vector<HistoryMenuItemPtr>& rows, std::ostream& out) {
  for (const auto& row : rows) {
    const HistoryItem& entry = *row->item();
    std::string pin = " ";
    if (entry.pin()) pin = entry.pin()->empty() ? "*" : *entry.pin();
    std::string title = oneLine(row->title());
    if (title.empty()) title = hasImage(entry) ? "[image]" : "[no text]";
    char copies[32];
    std::snprintf(copies, sizeof copies, "%6lld", static_cast<long long>(entry.numberOfCopies()));
    out << pin << ' ' << copies << "  " << title << '\n';
  }
}

void printJson(const std::vector<HistoryMenuItemPtr>& rows, std::ostream& out) {
  nlohmann::json array = nlohmann::json::array();
  for (const auto& row : rows) {
    const HistoryItem& entry = *row->item();
    nlohmann::json object;
    object["title"] = row->title();
    object["numberOfCopies"] = entry.numberOfCopies();
    object["pin"] = entry.pin() ? nlohmann::json(*entry.pin()) : nlohmann::json(nullptr);
    const auto first = isoDate(entry.firstCopiedAt());
    const auto last = isoDate(entry.lastCopiedAt());
    object["firstCopiedAt"] = first ? nlohmann::json(*first) : nlohmann::json(nullptr);
    object["lastCopiedAt"] = last ? nlohmann::json(*last) : nlohmann::json(nullptr);
    nlohmann::json types = nlohmann::json::array();
    for (const auto& content : entry.contents()) {
      types.push_back(content->type() ? nlohmann::json(*content->type()) : nlohmann::json(nullptr));
    }
    object["types"] = std::move(types);
    array.push_back(std::move(object));
  }
  // Stored types are any bytes; what is not UTF-8 shows as U+FFFD rather than failing.
  out << array.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

int runHistoryCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args.front() == "--help" || args.front() == "-h" || args.front() == "help")) {
    printHistoryUsage(out, true);
    return kExitOk;
  }
  std::string problem;
  const std::optional<Request> request = parseArguments(args, problem);
  if (!request) return usageError(err, problem);

  Defaults defaults(Defaults::standardFile());
  // Unreadable settings are ignored (their defaults apply), as the program itself does; say so.
  if (!defaults.lastError().empty()) err << "marbrel history: " << defaults.lastError() << "\n";
  defaults.registerDefault(Configuration::Keys::historySize, Defaults::Value(200));
  defaults.registerDefault(Configuration::Keys::maxMenuItems, Defaults::Value(0));
  ProcessArguments arguments;
  Configuration configuration(defaults, arguments);
  HistoryMenuItem::registerDefaults(configuration);

  const std::filesystem::path file = HistoryStore::standardFile();
  std::ostringstream log;
  const std::unique_ptr<HistoryStore> store = HistoryStore::openReadOnly(file, log);
  std::error_code ignored;
  if (!store->isLoaded() && std::filesystem::exists(file, ignored)) {
    err << "marbrel history: cannot read " << file.string() << "\n" << log.str();
    return kExitFailure;
  }

  // The menu's order: the sorter's, reversed (its last entry is the menu's top).
  std::vector<HistoryItemPtr> entries =
      Sorter(configuration.sortBy(), configuration).sort(currentEntries(*store, configuration));
  const NoImageDecoder images;
  const TitleStrings strings;
  std::vector<HistoryMenuItemPtr> rows;
  rows.reserve(entries.size());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    rows.push_back(std::make_shared<HistoryMenuItem>(*it, nullptr, EntryPresentation::make(it->get(), images, strings),
                                                     HistoryMenuItem::kDefaultImageMaxHeight));
  }

  if (request->search) {
    // One row per entry stands for the menu's pair: both rows of a pair always match together.
    const Search search(configuration);
    if (!request->query.empty()) {
      rows = request->fuzzy ? search.fuzzySearch(request->query, rows)
                            : search.simpleSearch(request->query, rows);
    }
    // The menu shows at most "maxMenuItems" entries of a search.
    const std::int64_t maxItems = configuration.maxMenuItems();
    if (maxItems >= 1 && rows.size() > static_cast<std::uint64_t>(maxItems)) {
      rows.resize(static_cast<std::size_t>(maxItems));
    }
  }

  if (request->json) {
    printJson(rows, out);
  } else {
    printText(rows, out);
  }
  return kExitOk;
}

}  // namespace marbrel::cli
