#include "shell/menu/TitleWidths.h"

#include <algorithm>

#include <QFontMetrics>
#include <QString>

namespace marbrel {

int TitleWidths::width(const QFont& font, const std::string& title) {
  if (font != font_) {
    widths_.clear();
    used_ = 0;
    font_ = font;
  }
  auto found = widths_.find(title);
  if (found == widths_.end()) {
    const int advance = QFontMetrics(font_).horizontalAdvance(QString::fromStdString(title));
    found = widths_.emplace(title, Entry{advance, 0}).first;
  }
  if (found->second.pass != pass_) {
    found->second.pass = pass_;
    ++used_;
  }
  return found->second.width;
}

void TitleWidths::endPass() {
  peakUsed_ = std::max(peakUsed_, used_);
  // Titles of entries that left the history linger here: once they could outnumber the titles of
  // the largest menu sized, those unused for a while are forgotten. A filtered menu uses few titles,
  // so an unfiltered one soon after finds its titles still known.
  if (widths_.size() > 2 * peakUsed_ + 64) {
    std::erase_if(widths_, [this](const auto& entry) { return pass_ - entry.second.pass > kForgetAfterPasses; });
  }
  ++pass_;
  used_ = 0;
}

}  // namespace marbrel
