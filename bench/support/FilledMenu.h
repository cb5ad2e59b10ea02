#pragma once

// The set-up the menu benchmarks share: a menu over an in-memory history filled with texts made of
// common words, accented and wide characters, code and a colour.

#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/config/Configuration.h"
#include "core/history/Clipboard.h"
#include "core/history/History.h"
#include "core/history/HistoryStore.h"
#include "core/menu/Menu.h"
#include "fakes/FakeImageDecoder.h"
#include "fakes/FakeKeySynthesizer.h"
#include "fakes/FakeMainQueue.h"
#include "fakes/FakePasteboard.h"
#include "fakes/FakeStrings.h"

namespace marbrel::bench {

// A text of at least `bytes` bytes of words, with a line break now and then.
inline std::string makeText(std::mt19937& rng, std::size_t bytes) {
  static const std::vector<std::string> words = {
      "clipboard", "history", "the", "a", "menu", "paste", "copy", "search", "fuzzy", "matcher",
      "linux", "desktop", "window", "keyboard", "shortcut", "of", "and", "entry", "text", "Marbrel",
      "function", "return", "const", "std::string", "int", "{", "}", "=", "value", "2024", "#FF0000",
      "caf\u00E9", "stra\u00DFe", "\u4E2D\u6587", "na\u00EFve", "\U0001F600"};
  std::string text;
  text.reserve(bytes + 16);
  while (text.size() < bytes) {
    text += words[rng() % words.size()];
    text += rng() % 12 == 0 ? "\n" : " ";
  }
  return text;
}

// A menu (not yet opened) over `entries` texts of 500 bytes, after `large` texts of 1 MB, copied
// one second apart; every `pinEvery`-th entry (when not 0) is pinned to a letter.
struct FilledMenu {
  explicit FilledMenu(std::size_t entries, std::size_t large = 0, std::size_t pinEvery = 0) {
    configuration.setHistorySize(static_cast<std::int64_t>(entries + large));
    std::mt19937 rng(42);
    for (std::size_t i = 0; i < entries + large; ++i) {
      queue.advance(1);
      const std::size_t bytes = i < large ? 1 << 20 : 500;
      const auto entry = store->insertItem({{std::string("text/plain"), makeText(rng, bytes)}});
      if (pinEvery != 0 && i % pinEvery == 0) {
        entry->setPin(std::string(1, static_cast<char>('a' + i / pinEvery % 24)));
      }
    }
    store->saveContext();
  }

  std::ostringstream log;
  FakeMainQueue queue;
  Defaults defaults{""};
  ProcessArguments arguments;
  Configuration configuration{defaults, arguments};
  std::unique_ptr<HistoryStore> store = HistoryStore::open("", queue, true, log);
  History history{*store, configuration};
  FakePasteboard pasteboard;
  FakeKeySynthesizer keys;
  Clipboard clipboard{pasteboard, keys, queue, *store, configuration};
  FakeImageDecoder images;
  FakeStrings strings;
  Menu menu{history, clipboard, configuration, images, strings, std::mt19937(1)};
};

}  // namespace marbrel::bench
