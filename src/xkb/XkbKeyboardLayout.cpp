#include "xkb/XkbKeyboardLayout.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdarg>
#include <cstdio>
#include <set>

#include "xkb/KeyPositions.h"
#include "xkb/KeysymText.h"

namespace marbrel {

namespace {

// Keeps the first error the compiler reports, so a failed compilation can say why.
void collectLog(xkb_context* context, xkb_log_level level, const char* format, va_list args) {
  auto* firstError = static_cast<std::string*>(xkb_context_get_user_data(context));
  if (!firstError || !firstError->empty() || level > XKB_LOG_LEVEL_ERROR) return;
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  *firstError = line;
  while (!firstError->empty() && (firstError->back() == '\n' || firstError->back() == ' ')) {
    firstError->pop_back();
  }
}

xkb_mod_mask_t modifierMask(xkb_keymap* keymap, const char* name, const char* fallback) {
  xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
  if (index == XKB_MOD_INVALID && fallback) index = xkb_keymap_mod_get_index(keymap, fallback);
  return index == XKB_MOD_INVALID ? 0 : xkb_mod_mask_t{1} << index;
}

}  // namespace

// One compiled keymap with what is read from it once: each group's source and the modifier masks
// that choose a level.
class XkbKeyboardLayout::Keymap {
 public:
  explicit Keymap(xkb_keymap* keymap)
      : keymap_(xkb_keymap_ref(keymap)), state_(xkb_state_new(keymap_)) {
    shift_ = modifierMask(keymap_, XKB_MOD_NAME_SHIFT, nullptr);
    levelThree_ = modifierMask(keymap_, "LevelThree", "Mod5");
    numLock_ = modifierMask(keymap_, "NumLock", XKB_MOD_NAME_NUM);
    readGroups();
  }
  ~Keymap() {
    if (state_) xkb_state_unref(state_);
    xkb_keymap_unref(keymap_);
  }
  Keymap(const Keymap&) = delete;
  Keymap& operator=(const Keymap&) = delete;

  const std::vector<InputSource>& groups() const { return groups_; }

  std::optional<std::uint32_t> groupOf(const InputSource& source) const {
    for (std::uint32_t group = 0; group < groups_.size(); ++group) {
      if (groups_[group] == source) return group;
    }
    return std::nullopt;
  }

  // The keysyms' texts at an X key code in `group`, with Num Lock on (Apple keypads always type
  // digits) and the given level modifiers held.
  std::string text(std::uint32_t group, xkb_keycode_t keyCode, LevelModifiers modifiers) const {
    if (!state_) return {};
    const xkb_mod_mask_t held = (modifiers.shift ? shift_ : 0) | (modifiers.option ? levelThree_ : 0);
    xkb_state_update_mask(state_, held, 0, numLock_, 0, 0, group);
    const xkb_keysym_t* keysyms = nullptr;
    const int count = xkb_state_key_get_syms(state_, keyCode, &keysyms);
    std::string text;
    for (int index = 0; index < count; ++index) text += keysymText(keysyms[index]);
    return text;
  }

 private:
  void readGroups() {
    const xkb_layout_index_t count = xkb_keymap_num_layouts(keymap_);
    std::set<std::string> ids;
    for (xkb_layout_index_t group = 0; group < count; ++group) {
      InputSource source;
      const char* name = xkb_keymap_layout_get_name(keymap_, group);
      source.localizedName = name && *name ? name : "Group " + std::to_string(group + 1);
      // Two groups may carry the same name ("us,us"); each source still needs its own id.
      source.id = source.localizedName;
      for (int copy = 2; ids.count(source.id); ++copy) {
        source.id = source.localizedName + " #" + std::to_string(copy);
      }
      ids.insert(source.id);
      source.isASCIICapable = typesEveryLatinLetter(group);
      source.isEnableCapable = true;
      source.isSelectCapable = true;
      source.isEnabled = true;
      groups_.push_back(std::move(source));
    }
  }

  // A group is ASCII-capable when some key types each letter from a to z without modifiers.
  bool typesEveryLatinLetter(std::uint32_t group) const {
    struct Search {
      const Keymap* keymap;
      std::uint32_t group;
      std::set<char> letters;
    } search{this, group, {}};
    xkb_keymap_key_for_each(
        keymap_,
        [](xkb_keymap*, xkb_keycode_t key, void* data) {
          auto* search = static_cast<Search*>(data);
          const std::string produced = search->keymap->text(search->group, key, {});
          if (produced.size() == 1 && produced[0] >= 'a' && produced[0] <= 'z') {
            search->letters.insert(produced[0]);
          }
        },
        &search);
    return search.letters.size() == 26;
  }

  xkb_keymap* keymap_;
  xkb_state* state_;  // scratch state: every query sets all of it first
  xkb_mod_mask_t shift_ = 0;
  xkb_mod_mask_t levelThree_ = 0;
  xkb_mod_mask_t numLock_ = 0;
  std::vector<InputSource> groups_;
};

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromNames(const XkbRuleNames& names,
                                                                std::string* error) {
  const auto fail = [&](std::string reason) -> std::unique_ptr<XkbKeyboardLayout> {
    if (error) *error = std::move(reason);
    return nullptr;
  };
  if (names.layout.empty()) return fail("no keyboard layout given");

  xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
  if (!context) return fail("cannot find the XKB keyboard data");
  std::string firstError;
  xkb_context_set_user_data(context, &firstError);
  xkb_context_set_log_fn(context, collectLog);
  xkb_context_set_log_level(context, XKB_LOG_LEVEL_ERROR);

  const xkb_rule_names rmlvo{names.rules.c_str(), names.model.c_str(), names.layout.c_str(),
                             names.variant.c_str(), names.options.c_str()};
  xkb_keymap* keymap = xkb_keymap_new_from_names(context, &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS);
  // The context lives on inside the keymap: stop it pointing at this function's string.
  xkb_context_set_user_data(context, nullptr);
  xkb_context_unref(context);
  if (!keymap) {
    std::string reason = "unknown keyboard layout '" + names.layoutText() + "'";
    if (!firstError.empty()) reason += " (" + firstError + ")";
    return fail(std::move(reason));
  }
  auto layout = std::make_unique<XkbKeyboardLayout>(keymap);
  xkb_keymap_unref(keymap);
  return layout;
}

XkbKeyboardLayout::XkbKeyboardLayout(xkb_keymap* keymap) : keymap_(std::make_unique<Keymap>(keymap)) {}

XkbKeyboardLayout::~XkbKeyboardLayout() = default;

void XkbKeyboardLayout::replaceKeymap(xkb_keymap* keymap) {
  keymap_ = std::make_unique<Keymap>(keymap);
  if (selected_ >= groupCount()) selected_ = 0;
  lastASCIICapable_.reset();
}

bool XkbKeyboardLayout::selectGroup(std::uint32_t group) {
  if (group >= groupCount()) return false;
  if (keymap_->groups()[selected_].isASCIICapable) lastASCIICapable_ = selected_;
  selected_ = group;
  return true;
}

std::uint32_t XkbKeyboardLayout::selectedGroup() const { return selected_; }

std::uint32_t XkbKeyboardLayout::groupCount() const {
  return static_cast<std::uint32_t>(keymap_->groups().size());
}

std::optional<InputSource> XkbKeyboardLayout::currentKeyboardLayoutInputSource() const {
  if (selected_ >= groupCount()) return std::nullopt;
  return sourceForGroup(selected_);
}

std::optional<InputSource> XkbKeyboardLayout::currentASCIICapableInputSource() const {
  const auto& groups = keymap_->groups();
  if (selected_ < groups.size() && groups[selected_].isASCIICapable) return sourceForGroup(selected_);
  // Like a system that types ASCII with the Latin layout used last.
  if (lastASCIICapable_ && *lastASCIICapable_ < groups.size()) return sourceForGroup(*lastASCIICapable_);
  for (std::uint32_t group = 0; group < groups.size(); ++group) {
    if (groups[group].isASCIICapable) return sourceForGroup(group);
  }
  return std::nullopt;
}

std::vector<InputSource> XkbKeyboardLayout::enabledInputSources() const {
  std::vector<InputSource> sources;
  for (std::uint32_t group = 0; group < groupCount(); ++group) sources.push_back(sourceForGroup(group));
  return sources;
}

bool XkbKeyboardLayout::hasKeyLayoutData(const InputSource& source) const {
  return keymap_->groupOf(source).has_value();
}

std::optional<std::string> XkbKeyboardLayout::textForKeyCode(const InputSource& source,
                                                             std::uint16_t keyCode,
                                                             LevelModifiers modifiers) const {
  const auto group = keymap_->groupOf(source);
  if (!group) return std::nullopt;
  const auto xKeyCode = xKeyCodeForVirtualKeyCode(keyCode);
  if (!xKeyCode) return std::nullopt;
  return keymap_->text(*group, *xKeyCode, modifiers);
}

InputSource XkbKeyboardLayout::sourceForGroup(std::uint32_t group) const {
  InputSource source = keymap_->groups()[group];
  source.isSelected = group == selected_;
  return source;
}

}  // namespace marbrel
