// Moving the history menu's highlight: to an item, to the next or previous row that can be
// chosen, and between an entry and its alternate.
#include "core/menu/Menu.h"

#include <algorithm>

namespace marbrel {

namespace {

bool isCandidate(const MenuItem& item, bool alternate) {
  return !item.isSeparator() && item.isEnabled() && item.isAlternate() == alternate;
}

}  // namespace

void Menu::highlightFirst(const Order& list, const std::function<bool(Slot)>& wanted) {
  const auto found = std::find_if(list.begin(), list.end(), wanted);
  const MenuItem* target = nullptr;
  if (found != list.end()) {
    // The entry's primary row, when the run shows it.
    const Order& run = *shown_;
    const auto at = std::find(run.begin(), run.end(), *found);
    if (at != run.end()) target = pairItem(2 * static_cast<std::size_t>(at - run.begin())).get();
  }
  highlight(target);
}

void Menu::highlight(const MenuItem* item) {
  Batch batch(*this);
  highlightItem(empty() ? nullptr : itemAt(0).get());
  if (item && contains(*item)) highlightItem(item);
}

bool Menu::isCandidateAt(std::size_t index, bool alternate) const {
  const PairRun run = pairRun();
  if (index >= run.at && index < run.at + 2 * run.pairs) return ((index - run.at) % 2 == 1) == alternate;
  // Items the user cannot see whatever keys are held (the footer when "hideFooter" is on, and
  // alternates standing in for them) are skipped.
  return isCandidate(*itemAt(index), alternate) && isShownAt(index);
}

const MenuItem* Menu::counterpart(const MenuItem* item, bool alternate) const {
  if (!item || item->isAlternate() == alternate) return item;
  // Both rows of a pair are in the model and the view shows one or the other by the modifiers
  // held, so the highlighted row may be the other member of the pair that is in view.
  const auto index = indexOf(*item);
  if (!index) return item;
  if (alternate && *index + 1 < size() && isCandidateAt(*index + 1, alternate)) return itemAt(*index + 1).get();
  if (!alternate && *index > 0 && isCandidateAt(*index - 1, alternate)) return itemAt(*index - 1).get();
  return item;
}

bool Menu::highlightNext(bool alternate, bool forward) {
  const std::size_t count = size();
  if (count == 0) return false;
  // Walks the candidates in the direction of travel, starting after `from`.
  const auto next = [&](std::size_t from, bool started) -> std::optional<std::size_t> {
    std::size_t i = from;
    for (std::size_t step = 0; step < count; ++step) {
      if (started) {
        if (forward ? i + 1 >= count : i == 0) return std::nullopt;
        i = forward ? i + 1 : i - 1;
      }
      started = true;
      if (isCandidateAt(i, alternate)) return i;
    }
    return std::nullopt;
  };
  const MenuItem* current = counterpart(highlightedItem().get(), alternate);
  std::optional<std::size_t> at;
  if (!current) {
    at = next(forward ? 0 : count - 1, false);  // nothing highlighted: the first candidate counts
  } else if (const auto index = indexOf(*current); index && isCandidateAt(*index, alternate)) {
    at = index;
  }
  if (!at) return false;
  const auto following = next(*at, true);
  if (!following) return false;
  highlight(itemAt(*following).get());
  return true;
}

void Menu::selectNext(bool alternate) {
  if (!highlightNext(alternate, true)) selectFirst(alternate);
}

void Menu::selectPrevious(bool alternate) {
  if (!highlightNext(alternate, false)) selectLast(alternate);
}

void Menu::selectFirst(bool alternate) {
  for (std::size_t i = 0; i < size(); ++i) {
    if (isCandidateAt(i, alternate)) return highlight(itemAt(i).get());
  }
  highlight(nullptr);
}

void Menu::selectLast(bool alternate) {
  for (std::size_t i = size(); i-- > 0;) {
    if (isCandidateAt(i, alternate)) return highlight(itemAt(i).get());
  }
  highlight(nullptr);
}

}  // namespace marbrel
