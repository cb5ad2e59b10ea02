#include "HistorySeed.h"

#include <ctime>
#include <iostream>
#include <random>
#include <string>

#include "core/history/HistoryStore.h"
#include "fakes/FakeMainQueue.h"

namespace marbrel::bench {

namespace {

constexpr const char* kWords[] = {
    "meeting", "invoice", "address", "report",  "deploy",  "branch",  "kernel", "window", "clipboard", "coffee",
    "monday",  "quartz",  "budget",  "release", "draft",   "summary", "server", "client", "password",  "ticket",
    "review",  "garden",  "travel",  "station", "library", "number",  "office", "orange", "paragraph", "update",
    "weekly",  "zebra",   "notes",   "figure",  "config",  "yellow",  "jacket", "vector", "example",   "history"};

// A line of text like those people copy: a few words, a number, sometimes a path or an address.
std::string textFor(int index, std::mt19937& random) {
  std::uniform_int_distribution<int> wordCount(2, 14);
  std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
  std::string text;
  const int words = wordCount(random);
  for (int n = 0; n < words; ++n) {
    if (n) text += ' ';
    text += kWords[word(random)];
  }
  switch (index % 4) {
    case 0: text += " #" + std::to_string(index); break;
    case 1: text = "/home/user/" + text.substr(0, text.find(' ')) + "/" + std::to_string(index) + ".txt " + text; break;
    case 2: text += " (" + std::to_string(index * 7919 % 100000) + ")"; break;
    default: text = std::to_string(index) + ". " + text; break;
  }
  return text;
}

}  // namespace

bool HistorySeed::write(const std::filesystem::path& file, int entries) {
  std::error_code error;
  std::filesystem::create_directories(file.parent_path(), error);
  FakeMainQueue clock(double(std::time(nullptr)) - entries - 60.0);
  auto store = HistoryStore::open(file, clock, false, std::cerr);
  if (!store || !store->isLoaded()) return false;
  std::mt19937 random(20261206);
  for (int index = 0; index < entries; ++index) {
    clock.advance(1);
    store->insertItem({{"text/plain", textFor(index, random)}});
  }
  store->saveContext();
  return !store->hasChanges() && store->count() >= std::size_t(entries);
}

}  // namespace marbrel::bench
