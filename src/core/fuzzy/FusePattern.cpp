#include "core/fuzzy/FusePattern.h"

#include <algorithm>
#include <cstring>

#include "core/fuzzy/FuseText.h"

namespace marbrel {
namespace {

// The bytes of a 2- to 8-byte character as one integer. Injective: a character of more than one
// byte never holds a zero byte, so zero padding cannot make two characters equal; 0 means "empty".
std::uint64_t packed(std::string_view character) {
  std::uint64_t key = 0;
  std::memcpy(&key, character.data(), character.size());
  return key;
}

std::size_t slot(std::uint64_t key, int shift) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
}

}  // namespace

std::optional<FusePattern> FusePattern::make(std::string_view query, bool lowerCase) {
  const FuseText prepared = FuseText::prepare(query, lowerCase);
  if (prepared.size() == 0) return std::nullopt;

  FusePattern pattern;
  pattern.text_ = prepared.text();
  pattern.len_ = prepared.size();
  pattern.lowerCased_ = lowerCase;
  pattern.mask_ = pattern.len_ <= 64 ? std::uint64_t{1} << (pattern.len_ - 1) : 0;

  // Characters of 2 to 8 bytes go into a table at most half full.
  std::size_t packedCount = 0;
  for (std::int64_t i = 0; i < pattern.len_; ++i) {
    const std::size_t size = prepared.character(i).size();
    if (size >= 2 && size <= 8) ++packedCount;
  }
  if (packedCount > 0) {
    int bits = 3;
    while ((std::size_t{1} << bits) < 2 * std::min<std::size_t>(packedCount, 64)) ++bits;
    pattern.packed_.assign(std::size_t{1} << bits, {0, 0});
    pattern.packedShift_ = 64 - bits;
  }

  for (std::int64_t i = 0; i < pattern.len_; ++i) {
    const std::int64_t bit = pattern.len_ - i - 1;
    if (bit >= 64) continue;  // positions beyond the row's 64 bits have no bit
    pattern.add(prepared.character(i), std::uint64_t{1} << bit);
  }
  return pattern;
}

void FusePattern::add(std::string_view character, std::uint64_t bits) {
  if (character.size() == 1) {
    bytes_[static_cast<unsigned char>(character[0])] |= bits;
    return;
  }
  if (character.size() <= 8) {
    const std::uint64_t key = packed(character);
    for (std::size_t s = slot(key, packedShift_);; s = (s + 1) & (packed_.size() - 1)) {
      if (packed_[s].first == key || packed_[s].first == 0) {
        packed_[s].first = key;
        packed_[s].second |= bits;
        return;
      }
    }
  }
  for (auto& [text, entry] : long_) {
    if (text == character) {
      entry |= bits;
      return;
    }
  }
  long_.emplace_back(std::string(character), bits);
}

std::uint64_t FusePattern::bitsOf(std::string_view character) const {
  if (character.size() == 1) return bitsOfByte(static_cast<unsigned char>(character[0]));
  if (character.size() <= 8) {
    if (packed_.empty()) return 0;
    const std::uint64_t key = packed(character);
    for (std::size_t s = slot(key, packedShift_);; s = (s + 1) & (packed_.size() - 1)) {
      if (packed_[s].first == key) return packed_[s].second;
      if (packed_[s].first == 0) return 0;
    }
  }
  for (const auto& [text, entry] : long_) {
    if (text == character) return entry;
  }
  return 0;
}

}  // namespace marbrel
