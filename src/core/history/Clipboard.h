#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/history/HistoryItem.h"
#include "core/keylayout/Key.h"
#include "core/platform/MainQueue.h"

namespace marbrel {

class Configuration;
class FrontWindow;
class HistoryStore;
class KeySynthesizer;
class Pasteboard;

// The program's one contact with the system clipboard: checks it once a second and whenever it
// announces a change, turns each new, accepted item into a history entry (of the formats whose bytes
// could be read) handed to its hooks; writes an entry back and synthesises the paste keystroke.
class Clipboard {
 public:
  using Hook = std::function<void(const HistoryItemPtr&)>;
  // The key code of the key that types `key` under the keyboard layout in use now, if any does.
  using KeyCodeSource = std::function<std::optional<std::uint16_t>(Key)>;
  static constexpr double kTimerInterval = 1.0;

  // None is owned; all outlive the clipboard. Takes the clipboard's current change count, so what is
  // on the clipboard at launch is never recorded.
  Clipboard(Pasteboard& pasteboard, KeySynthesizer& keys, MainQueue& queue, HistoryStore& store,
            const Configuration& configuration);
  ~Clipboard();
  Clipboard(const Clipboard&) = delete;
  Clipboard& operator=(const Clipboard&) = delete;

  // Adds a hook; hooks run in the order they were added.
  void onNewCopy(Hook hook);
  // Starts the repeating one-second check of the clipboard, and a check on the next turn whenever the
  // clipboard announces a change (so copies less than a second apart are each recorded).
  void startListening();
  // While suspended (a menu or an alert is open), checks do nothing; the first tick after resuming
  // picks up whatever changed meanwhile.
  void setSuspended(bool suspended) { suspended_ = suspended; }
  bool isSuspended() const { return suspended_; }

  // One tick: records the items of a new clipboard change.
  void checkForChangesInPasteboard();
  // Puts every content of `item` back on the clipboard, in the entry's order.
  void copy(const HistoryItemPtr& item);
  // Makes the program in front paste: asks for trust, then posts its paste combination (Command-V,
  // the Ctrl+V of most programs, unless the "pasteKeys" setting names another for the program noted
  // by noteFrontWindow) on a later turn. A combination that pastes the primary selection gets the
  // text of the entry last copied there first.
  void paste();
  // Programs read a combination by the character its key types, so a synthesizer that goes through
  // the user's layout is given the key that types it there, found through `source`; the ANSI
  // position where no key does (programs fall back to it then).
  void setKeyCodeSource(KeyCodeSource source) { keyCodeSource_ = std::move(source); }
  // Called with true before the paste combination is posted and with false after: the program's
  // own global shortcut may be that combination (Ctrl+Shift+V opens the menu and pastes in terminals),
  // and must not catch it.
  void setWhilePosting(std::function<void(bool posting)> hook) { whilePosting_ = std::move(hook); }
  // Where the program in front is asked for (not owned; outlives the clipboard); none: unknown.
  void setFrontWindow(const FrontWindow* frontWindow) { frontWindow_ = frontWindow; }
  // Notes the program in front, whose paste combination paste() sends: called before the menu
  // takes the keyboard.
  void noteFrontWindow();

  std::int64_t changeCount() const { return changeCount_; }
  const std::set<std::string>& ignoredTypes() const { return ignoredTypes_; }
  const std::set<std::string>& supportedTypes() const { return supportedTypes_; }

  // Whether a text is empty once white space and line breaks are taken off both ends.
  static bool isBlank(const std::string& text);

 private:
  static void postCombination(KeySynthesizer& keys, std::uint16_t keyCode, std::uint64_t flags);
  // Queues one check for the next turn, unless one is queued already.
  void scheduleCheck();

  Pasteboard& pasteboard_;
  KeySynthesizer& keys_;
  MainQueue& queue_;
  HistoryStore& store_;
  const Configuration& configuration_;

  std::vector<Hook> onNewCopyHooks_;
  KeyCodeSource keyCodeSource_;
  std::function<void(bool)> whilePosting_;
  const FrontWindow* frontWindow_ = nullptr;
  std::vector<std::string> frontIds_;
  std::weak_ptr<HistoryItem> lastCopied_;
  std::set<std::string> ignoredTypes_;
  std::set<std::string> supportedTypes_;
  std::int64_t changeCount_;
  std::optional<MainQueue::TaskId> timer_;
  std::optional<MainQueue::TaskId> pendingCheck_;
  bool suspended_ = false;
};

}  // namespace marbrel
