#pragma once

#include <algorithm>
#include <map>
#include <tuple>

#include "core/platform/KeyboardLayout.h"

namespace marbrel {

// Keyboard layouts in memory: sources and the text of each key code are whatever a test sets.
// Codes without a text set answer nothing, as a failed translation would.
class FakeKeyboardLayout : public KeyboardLayout {
 public:
  std::optional<InputSource> currentKeyboardLayoutInputSource() const override { return snapshot(selected_); }
  std::optional<InputSource> currentASCIICapableInputSource() const override {
    if (auto current = currentKeyboardLayoutInputSource(); current && current->isASCIICapable) return current;
    for (const auto& id : enabled_) {
      if (known_.at(id).info.isASCIICapable) return snapshot(id);
    }
    return std::nullopt;
  }
  std::vector<InputSource> enabledInputSources() const override {
    std::vector<InputSource> sources;
    for (const auto& id : enabled_) sources.push_back(*snapshot(id));
    return sources;
  }
  bool hasKeyLayoutData(const InputSource& source) const override {
    const auto known = known_.find(source.id);
    return known != known_.end() && known->second.hasLayoutData;
  }
  std::optional<std::string> textForKeyCode(const InputSource& source, std::uint16_t keyCode,
                                            LevelModifiers modifiers) const override {
    const auto found = texts_.find({source.id, keyCode, modifiers.shift, modifiers.option});
    if (!hasKeyLayoutData(source) || found == texts_.end()) return std::nullopt;
    return found->second;
  }

  // Enables a source (replacing one with the same id, keeping its place); the first one added is
  // selected. A source without layout data answers no texts.
  void addSource(const std::string& id, bool asciiCapable = true, bool hasLayoutData = true) {
    known_[id] = {InputSource{id, std::nullopt, asciiCapable, true, true, true, false, id}, hasLayoutData};
    if (std::find(enabled_.begin(), enabled_.end(), id) == enabled_.end()) enabled_.push_back(id);
    if (!selected_) selected_ = id;
  }
  // Disables a source; its texts stay for when it comes back.
  void removeSource(const std::string& id) {
    std::erase(enabled_, id);
    if (auto known = known_.find(id); known != known_.end()) known->second.info.isEnabled = false;
  }
  // Selects a source by id, enabled or not; nothing selects no source at all.
  void select(std::optional<std::string> id) { selected_ = std::move(id); }

  void setText(const std::string& sourceId, std::uint16_t keyCode, std::string text, LevelModifiers modifiers = {}) {
    texts_[{sourceId, keyCode, modifiers.shift, modifiers.option}] = std::move(text);
  }
  // The unmodified texts of a US keyboard: letters, digits, punctuation and the keypad.
  void setUSTexts(const std::string& sourceId) {
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

 private:
  struct Source {
    InputSource info;
    bool hasLayoutData = true;
  };

  // The source as the desktop reports it now, or nothing for no or an unknown id.
  std::optional<InputSource> snapshot(const std::optional<std::string>& id) const {
    const auto known = id ? known_.find(*id) : known_.end();
    if (known == known_.end()) return std::nullopt;
    InputSource info = known->second.info;
    info.isSelected = selected_ == info.id;
    return info;
  }

  std::vector<std::string> enabled_;
  std::map<std::string, Source> known_;
  std::optional<std::string> selected_;
  std::map<std::tuple<std::string, std::uint16_t, bool, bool>, std::string> texts_;
};

}  // namespace marbrel
