#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Every fuzz target defines this libFuzzer entry point. Built with clang and -fsanitize=fuzzer it
// explores; built with the replay main it re-runs the corpus as a regression test.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace marbrel::fuzz {

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Stops the run (a crash the fuzzer reports) when an invariant does not hold.
void require(bool condition, const char* what);

}  // namespace marbrel::fuzz
