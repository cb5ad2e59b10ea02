#include "shell/EnglishTranslator.h"

#include <QHash>

namespace marbrel {

namespace {

const QHash<QByteArray, QString>& englishTexts() {
  static const QHash<QByteArray, QString> texts = {
      {"confirm", QStringLiteral("Are you sure?")},
      {"cancel", QStringLiteral("Cancel")},
      {"ok", QStringLiteral("OK")},
      {"clear_confirm_text",
       QStringLiteral("This removes every entry of the history that is not pinned. It cannot be undone.")},
      {"clear_all_confirm_text",
       QStringLiteral("This removes every entry of the history, pinned ones too. It cannot be undone.")},
      {"search_placeholder", QStringLiteral("Type to search…")},
      {"history_item_tooltip",
       QStringLiteral("Press Return to paste, Alt+Return to copy only, Alt+Backspace to delete, "
                      "Alt+P to pin or unpin.")},
      {"clear", QStringLiteral("Clear")},
      {"clear_all", QStringLiteral("Clear All")},
      {"preferences", QStringLiteral("Preferences…")},
      {"about", QStringLiteral("About Marbrel")},
      {"quit", QStringLiteral("Quit")},
      {"clear_tooltip", QStringLiteral("Remove every entry that is not pinned")},
      {"clear_all_tooltip", QStringLiteral("Remove every entry, pinned ones too")},
      {"about_tooltip", QStringLiteral("Version, credits and licence")},
      {"quit_tooltip", QStringLiteral("Stop Marbrel; the history is kept")},
      {"preferences_general", QStringLiteral("General")},
      {"preferences_appearance", QStringLiteral("Appearance")},
      {"record_shortcut", QStringLiteral("Record Shortcut")},
      {"press_shortcut", QStringLiteral("Press Shortcut")},
      {"keyboard_shortcut_used_by_menu_item",
       QStringLiteral("This shortcut cannot be used because it is already used by the menu item “%@”.")},
      {"keyboard_shortcut_used_by_system",
       QStringLiteral("This shortcut cannot be used because it is already used by the desktop.")},
      {"keyboard_shortcuts_can_be_changed",
       QStringLiteral("Most desktop shortcuts can be changed in the desktop's keyboard settings.")},
      {"about_credits", QStringLiteral("Made by the Marbrel developers")},
  };
  return texts;
}

}  // namespace

QString EnglishTranslator::text(const char* id) {
  if (!id) return {};
  return englishTexts().value(QByteArray(id));
}

QString EnglishTranslator::translate(const char* context, const char* sourceText, const char*, int) const {
  // qtTrId asks with no context and the id as the source text.
  if (context && *context) return {};
  return text(sourceText);
}

}  // namespace marbrel
