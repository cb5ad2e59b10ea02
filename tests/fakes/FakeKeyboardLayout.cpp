#include "fakes/FakeKeyboardLayout.h"

#include <algorithm>
#include <utility>

namespace marbrel {

std::optional<InputSource> FakeKeyboardLayout::currentKeyboardLayoutInputSource() const {
  if (!selected_) return std::nullopt;
  const Source* source = find(*selected_);
  if (!source) return std::nullopt;
  return snapshot(*source);
}

std::optional<InputSource> FakeKeyboardLayout::currentASCIICapableInputSource() const {
  if (asciiOverride_) {
    const Source* source = *asciiOverride_ ? find(**asciiOverride_) : nullptr;
    if (!source) return std::nullopt;
    return snapshot(*source);
  }
  if (auto current = currentKeyboardLayoutInputSource(); current && current->isASCIICapable) {
    return current;
  }
  for (const Source& source : enabled_) {
    if (source.info.isASCIICapable) return snapshot(source);
  }
  return std::nullopt;
}

std::vector<InputSource> FakeKeyboardLayout::enabledInputSources() const {
  std::vector<InputSource> sources;
  for (const Source& source : enabled_) sources.push_back(snapshot(source));
  return sources;
}

bool FakeKeyboardLayout::hasKeyLayoutData(const InputSource& source) const {
  const Source* known = find(source.id);
  return known && known->hasLayoutData;
}

std::optional<std::string> FakeKeyboardLayout::textForKeyCode(const InputSource& source,
                                                              std::uint16_t keyCode,
                                                              LevelModifiers modifiers) const {
  ++textRequests_;
  if (!hasKeyLayoutData(source)) return std::nullopt;
  const auto found = texts_.find({source.id, keyCode, modifiers.shift, modifiers.option});
  if (found == texts_.end()) return std::nullopt;
  return found->second;
}

void FakeKeyboardLayout::addSource(const std::string& id, bool asciiCapable, bool hasLayoutData) {
  Source source;
  source.info.id = id;
  source.info.isASCIICapable = asciiCapable;
  source.info.isEnableCapable = true;
  source.info.isSelectCapable = true;
  source.info.isEnabled = true;
  source.info.localizedName = id;
  source.hasLayoutData = hasLayoutData;
  known_[id] = source;
  const auto place = std::find_if(enabled_.begin(), enabled_.end(),
                                  [&](const Source& each) { return each.info.id == id; });
  if (place != enabled_.end()) {
    *place = source;
  } else {
    enabled_.push_back(source);
  }
  if (!selected_) selected_ = id;
}

void FakeKeyboardLayout::removeSource(const std::string& id) {
  std::erase_if(enabled_, [&](const Source& each) { return each.info.id == id; });
  if (auto known = known_.find(id); known != known_.end()) known->second.info.isEnabled = false;
}

void FakeKeyboardLayout::select(std::optional<std::string> id) { selected_ = std::move(id); }

void FakeKeyboardLayout::setASCIICapableSource(std::optional<std::string> id) {
  asciiOverride_ = std::move(id);
}

void FakeKeyboardLayout::setText(const std::string& sourceId, std::uint16_t keyCode,
                                 std::string text, LevelModifiers modifiers) {
  texts_[{sourceId, keyCode, modifiers.shift, modifiers.option}] = std::move(text);
}

void FakeKeyboardLayout::setUSTexts(const std::string& sourceId) {
  static const std::pair<std::uint16_t, const char*> kUSTexts[] = {
      {0, "a"},  {1, "s"},  {2, "d"},  {3, "f"},  {4, "h"},  {5, "g"},  {6, "z"},  {7, "x"},
      {8, "c"},  {9, "v"},  {10, "\u00A7"}, {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"},
      {16, "y"}, {17, "t"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
      {24, "="}, {25, "9"}, {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"}, {30, "]"}, {31, "o"},
      {32, "u"}, {33, "["}, {34, "i"}, {35, "p"}, {37, "l"}, {38, "j"}, {39, "'"}, {40, "k"},
      {41, ";"}, {42, "\\"}, {43, ","}, {44, "/"}, {45, "n"}, {46, "m"}, {47, "."}, {50, "`"},
      {65, "."}, {67, "*"}, {69, "+"}, {75, "/"}, {78, "-"}, {81, "="}, {82, "0"}, {83, "1"},
      {84, "2"}, {85, "3"}, {86, "4"}, {87, "5"}, {88, "6"}, {89, "7"}, {91, "8"}, {92, "9"},
  };
  for (const auto& [code, text] : kUSTexts) setText(sourceId, code, text);
}

InputSource FakeKeyboardLayout::snapshot(const Source& source) const {
  InputSource info = source.info;
  info.isSelected = selected_ && *selected_ == info.id;
  return info;
}

const FakeKeyboardLayout::Source* FakeKeyboardLayout::find(const std::string& id) const {
  const auto found = known_.find(id);
  return found == known_.end() ? nullptr : &found->second;
}

}  // namespace marbrel
