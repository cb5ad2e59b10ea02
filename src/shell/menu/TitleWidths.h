#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include <QFont>

namespace marbrel {

// Remembers how wide each title is drawn in a font, so sizing a long menu again measures only the
// titles it has not seen (text shaping is the dear part of sizing a menu of thousands of rows).
class TitleWidths {
 public:
  // The horizontal advance of `title` drawn with `font`.
  int width(const QFont& font, const std::string& title);
  // Ends a sizing pass: titles not asked for in many passes are forgotten once there are many more
  // titles than the largest pass asked for.
  void endPass();
  std::size_t size() const { return widths_.size(); }

 private:
  struct Entry {
    int width = 0;
    std::uint64_t pass = 0;
  };

  static constexpr std::uint64_t kForgetAfterPasses = 64;

  QFont font_;
  std::unordered_map<std::string, Entry> widths_;
  std::uint64_t pass_ = 1;
  std::size_t used_ = 0;
  std::size_t peakUsed_ = 0;
};

}  // namespace marbrel
