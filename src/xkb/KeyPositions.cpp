#include "xkb/KeyPositions.h"

#include <array>
#include <utility>

namespace marbrel {

namespace {

// Virtual key code and the Linux evdev code of the key at the same place. On ISO keyboards the key
// left of 1 is the grave key (evdev 41) and the extra key beside the left Shift (evdev 86, "LSGT")
// takes the section code 10.
constexpr std::array<std::pair<std::uint16_t, std::uint16_t>, 106> kPositions = {{
    {0, 30},   {1, 31},   {2, 32},   {3, 33},   {4, 35},   {5, 34},   {6, 44},   {7, 45},
    {8, 46},   {9, 47},   {10, 86},  {11, 48},  {12, 16},  {13, 17},  {14, 18},  {15, 19},
    {16, 21},  {17, 20},  {18, 2},   {19, 3},   {20, 4},   {21, 5},   {22, 7},   {23, 6},
    {24, 13},  {25, 10},  {26, 8},   {27, 12},  {28, 9},   {29, 11},  {30, 27},  {31, 24},
    {32, 22},  {33, 26},  {34, 23},  {35, 25},  {36, 28},  {37, 38},  {38, 36},  {39, 40},
    {40, 37},  {41, 39},  {42, 43},  {43, 51},  {44, 53},  {45, 49},  {46, 50},  {47, 52},
    {48, 15},  {49, 57},  {50, 41},  {51, 14},  {53, 1},
    {64, 187},  // F17
    {65, 83},   // keypad .
    {67, 55},   // keypad *
    {69, 78},   // keypad +
    {71, 69},   // keypad clear, where PC keyboards have Num Lock
    {75, 98},   // keypad /
    {76, 96},   // keypad Enter
    {78, 74},   // keypad -
    {79, 188},  {80, 189},  // F18, F19
    {81, 117},  // keypad =
    {82, 82},  {83, 79},  {84, 80},  {85, 81},  {86, 75},  {87, 76},  {88, 77},  {89, 71},
    {90, 190},  // F20
    {91, 72},  {92, 73},
    {93, 124},  // JIS yen
    {94, 89},   // JIS underscore (ro)
    {95, 121},  // JIS keypad comma
    {96, 63},  {97, 64},  {98, 65},  {99, 61},  {100, 66}, {101, 67},  // F5 F6 F7 F3 F8 F9
    {102, 94},  // JIS eisu, left of the space bar: muhenkan
    {103, 87},  // F11
    {104, 92},  // JIS kana, right of the space bar: henkan
    {105, 183}, {106, 186}, {107, 184},  // F13 F16 F14
    {109, 68},  {111, 88},  {113, 185},  // F10 F12 F15
    {114, 110},  // help, where PC keyboards have Insert
    {115, 102}, {116, 104}, {117, 111}, {118, 62},  {119, 107},  // home pgup fwd-delete F4 end
    {120, 60},  {121, 109}, {122, 59},                           // F2 pgdown F1
    {123, 105}, {124, 106}, {125, 108}, {126, 103},              // arrows
}};

constexpr std::uint32_t kEvdevOffset = 8;

}  // namespace

std::optional<std::uint32_t> xKeyCodeForVirtualKeyCode(std::uint16_t virtualKeyCode) {
  for (const auto& [virtualCode, evdevCode] : kPositions) {
    if (virtualCode == virtualKeyCode) return evdevCode + kEvdevOffset;
  }
  return std::nullopt;
}

std::optional<std::uint16_t> virtualKeyCodeForXKeyCode(std::uint32_t xKeyCode) {
  for (const auto& [virtualCode, evdevCode] : kPositions) {
    if (evdevCode + kEvdevOffset == xKeyCode) return virtualCode;
  }
  return std::nullopt;
}

}  // namespace marbrel
