#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "core/platform/KeyboardLayout.h"

namespace marbrel {

// Keyboard layouts in memory: sources and the text of each key code are whatever a test sets.
// Codes without a text set answer nothing, as a failed translation would.
class FakeKeyboardLayout : public KeyboardLayout {
 public:
  std::optional<InputSource> currentKeyboardLayoutInputSource() const override;
  std::optional<InputSource> currentASCIICapableInputSource() const override;
  std::vector<InputSource> enabledInputSources() const override;
  bool hasKeyLayoutData(const InputSource& source) const override;
  std::optional<std::string> textForKeyCode(const InputSource& source, std::uint16_t keyCode,
                                            LevelModifiers modifiers) const override;

  // Enables a source (replacing one with the same id, keeping its place); the first one added is
  // selected. A source without layout data answers no texts.
  void addSource(const std::string& id, bool asciiCapable = true, bool hasLayoutData = true);
  // Disables a source; its texts stay for when it comes back.
  void removeSource(const std::string& id);
  // Selects a source by id, enabled or not; nothing selects no source at all.
  void select(std::optional<std::string> id);
  // Overrides which source currentASCIICapableInputSource() gives (by default the selected source
  // when it is ASCII-capable, else the first enabled ASCII-capable one).
  void setASCIICapableSource(std::optional<std::string> id);

  void setText(const std::string& sourceId, std::uint16_t keyCode, std::string text,
               LevelModifiers modifiers = {});
  // The unmodified texts of a US keyboard: letters, digits, punctuation and the keypad.
  void setUSTexts(const std::string& sourceId);

  // How many texts were asked for since the start.
  int textRequests() const { return textRequests_; }

 private:
  struct Source {
    InputSource info;
    bool hasLayoutData = true;
  };
  using TextKey = std::tuple<std::string, std::uint16_t, bool, bool>;

  InputSource snapshot(const Source& source) const;
  const Source* find(const std::string& id) const;

  std::vector<Source> enabled_;
  std::map<std::string, Source> known_;
  std::optional<std::string> selected_;
  std::optional<std::optional<std::string>> asciiOverride_;
  std::map<TextKey, std::string> texts_;
  mutable int textRequests_ = 0;
};

}  // namespace marbrel
