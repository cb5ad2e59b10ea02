#include "core/keylayout/Sauce.h"

#include <utility>

#include "core/keylayout/FixedKeyCodes.h"
#include "core/keylayout/FixedKeyTexts.h"
#include "core/keylayout/KeyText.h"

namespace marbrel {

Sauce::Sauce(const KeyboardLayout& layout, NotificationCenter& notifications)
    : layout_(layout),
      notifications_(notifications),
      current_(layout.currentKeyboardLayoutInputSource()),
      currentASCII_(layout.currentASCIICapableInputSource()) {
  fetchInputSources();
  if (current_) buildMap(*current_);
}

std::optional<Key> Sauce::keyForKeyCode(std::uint16_t keyCode) const {
  if (current_) {
    if (const KeyCodeMap* map = mapForSource(*current_)) {
      if (auto key = map->keyForKeyCode(keyCode)) return key;
    }
  }
  return fixedKeyForKeyCode(keyCode);
}

std::optional<std::uint16_t> Sauce::keyCodeForKey(Key key) const {
  if (current_) {
    if (const KeyCodeMap* map = mapForSource(*current_)) {
      if (auto code = map->keyCodeForKey(key)) return code;
    }
  }
  return fixedKeyCodeForKey(key);
}

std::optional<std::string> Sauce::keyText(std::uint16_t keyCode, std::uint32_t modifiers) const {
  if (current_) return marbrel::keyText(layout_, *current_, keyCode, modifiers);
  if (auto special = specialKeyText(keyCode)) return std::string(*special);
  return std::nullopt;
}

const KeyCodeMap* Sauce::mapForSource(const InputSource& source) const {
  const auto found = maps_.find(source);
  return found == maps_.end() ? nullptr : &found->second;
}

void Sauce::selectedInputSourceChanged() {
  std::optional<InputSource> selected = layout_.currentKeyboardLayoutInputSource();
  currentASCII_ = layout_.currentASCIICapableInputSource();
  if (selected == current_) return;

  const std::optional<InputSource> previous = std::exchange(current_, std::move(selected));
  if (current_ && !mapForSource(*current_)) buildMap(*current_);

  post(kSauceSelectedKeyboardInputSourceChanged);
  const KeyCodeMap* previousMap = previous ? mapForSource(*previous) : nullptr;
  const KeyCodeMap* currentMap = current_ ? mapForSource(*current_) : nullptr;
  if (previousMap && currentMap && !(*previousMap == *currentMap)) {
    post(kSauceSelectedKeyboardKeyCodesChanged);
  }
}

void Sauce::enabledInputSourcesChanged() {
  maps_.clear();
  fetchInputSources();
  // The selection is kept as it was: a change of selection arrives through its own report.
  if (current_) buildMap(*current_);
  post(kSauceEnabledKeyboardInputSourcesChanged);
}

void Sauce::fetchInputSources() {
  inputSources_ = layout_.enabledInputSources();
  for (const InputSource& source : inputSources_) buildMap(source);
}

void Sauce::buildMap(const InputSource& source) {
  if (auto map = KeyCodeMap::build(layout_, source)) {
    maps_.insert_or_assign(source, std::move(*map));
  }
}

void Sauce::post(std::string_view name) { notifications_.post(Notification{std::string(name), {}}); }

}  // namespace marbrel
