#include "core/history/ContentDigest.h"

#include <xxhash.h>

#include <array>

namespace marbrel {

namespace {

void feedOptional(XXH3_state_t* state, const std::optional<std::string>& bytes) {
  // A presence byte and the length keep (absent, "") and ("a","b") vs ("ab","") apart.
  std::array<unsigned char, 9> header{};
  header[0] = bytes ? 1 : 0;
  std::uint64_t length = bytes ? bytes->size() : 0;
  for (int i = 0; i < 8; ++i) header[1 + i] = static_cast<unsigned char>(length >> (8 * i));
  XXH3_64bits_update(state, header.data(), header.size());
  if (bytes && !bytes->empty()) XXH3_64bits_update(state, bytes->data(), bytes->size());
}

// A bijective mixer (splitmix64's finaliser), so that summing does not cancel related hashes.
std::uint64_t mix(std::uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  x ^= x >> 31;
  return x;
}

}  // namespace

std::uint64_t ContentDigest::of(const std::optional<std::string>& type,
                                const std::optional<std::string>& value) {
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  feedOptional(state, type);
  feedOptional(state, value);
  const std::uint64_t digest = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return digest;
}

void ContentDigest::add(std::uint64_t contentDigest) { sum_ += mix(contentDigest); }

}  // namespace marbrel
