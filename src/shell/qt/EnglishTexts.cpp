#include "shell/qt/EnglishTexts.h"

#include <QHash>

namespace marbrel {

namespace {

const QHash<QByteArray, QString>& table() {
  static const QHash<QByteArray, QString> texts = {
      {"confirm", QStringLiteral("Are you sure?")},
      {"cancel", QStringLiteral("Cancel")},
      {"ok", QStringLiteral("OK")},
      {"clear_confirm_text",
       QStringLiteral("This removes every entry of the history that is not pinned. It cannot be undone.")},
      {"history_size_shrink_confirm", QStringLiteral("Delete older entries?")},
      {"history_size_shrink_confirm_text",
       QStringLiteral("The history holds %1 entries that are not pinned. A history size of %2 deletes the "
                      "%3 oldest of them. It cannot be undone.")},
      {"history_size_shrink_delete", QStringLiteral("Delete Older Entries")},
      {"clear_all_confirm_text",
       QStringLiteral("This removes every entry of the history, pinned ones too. It cannot be undone.")},
      {"search_placeholder", QStringLiteral("Type to search…")},
      {"history_item_tooltip",
       QStringLiteral("Press Return to paste, Alt+Return to copy only, Alt+Backspace to delete, "
                      "Alt+P to pin or unpin.")},
      {"history_item_file_list", QStringLiteral("{name} + {count} more")},
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
      {"preferences_window_title", QStringLiteral("Preferences")},
      {"preferences_popup_shortcut", QStringLiteral("&Open the history:")},
      {"preferences_startup", QStringLiteral("S&tart-up:")},
      {"preferences_launch_at_login", QStringLiteral("&Launch at login")},
      {"preferences_search", QStringLiteral("&Search:")},
      {"preferences_fuzzy_search", QStringLiteral("F&uzzy search")},
      {"preferences_paste", QStringLiteral("&Choosing an entry:")},
      {"preferences_paste_automatically", QStringLiteral("&Paste automatically")},
      {"portal_shortcut_description", QStringLiteral("Open the clipboard history")},
      {"preferences_shortcut_desktop_trigger",
       QStringLiteral("The desktop opens the history with %@. That key is the desktop's to change, in its "
                      "keyboard shortcut settings.")},
      {"preferences_shortcut_desktop_refused",
       QStringLiteral("The desktop did not take this shortcut. It is the desktop's to give: assign a key to "
                      "Marbrel in its keyboard shortcut settings, or bind a key to the command marbrel.")},
      {"preferences_shortcut_desktop_gone",
       QStringLiteral("The desktop's portal has stopped, so this shortcut does nothing for now. Marbrel binds "
                      "it again when the portal is back.")},
      {"preferences_paste_desktop_refused",
       QStringLiteral("The desktop did not allow Marbrel to type, so entries are copied only: paste them with "
                      "Ctrl+V. To be asked again, delete remote-desktop.json in Marbrel's settings folder "
                      "(marbrel doctor shows where).")},
      {"preferences_history_size", QStringLiteral("&History size:")},
      {"preferences_history_size_value", QStringLiteral("{historySize} entries")},
      {"preferences_history_size_value_one", QStringLiteral("{historySize} entry")},
      {"preferences_sort_by", QStringLiteral("So&rt by:")},
      {"preferences_sort_last_copied", QStringLiteral("Last copied")},
      {"preferences_sort_first_copied", QStringLiteral("First copied")},
      {"preferences_sort_number_of_copies", QStringLiteral("Number of copies")},
      {"preferences_popup_at", QStringLiteral("&Pop up at:")},
      {"preferences_popup_cursor", QStringLiteral("Mouse pointer")},
      {"preferences_popup_center", QStringLiteral("Screen centre")},
      {"preferences_popup_status_item", QStringLiteral("Tray icon")},
      {"preferences_pin_to", QStringLiteral("Pi&n to:")},
      {"preferences_pin_top", QStringLiteral("Top")},
      {"preferences_pin_bottom", QStringLiteral("Bottom")},
      {"preferences_image_height", QStringLiteral("Image &height:")},
      {"preferences_image_height_value", QStringLiteral("{imageHeight} px")},
      {"preferences_menu_size", QStringLiteral("&Menu size:")},
      {"preferences_menu_size_value", QStringLiteral("{menuSize} entries")},
      {"preferences_menu_size_value_one", QStringLiteral("{menuSize} entry")},
      {"preferences_menu_size_all", QStringLiteral("All")},
      {"preferences_show", QStringLiteral("Sho&w:")},
      {"preferences_show_menu_icon", QStringLiteral("Tray &icon")},
      {"preferences_show_search_field", QStringLiteral("&Search field")},
      {"preferences_show_title", QStringLiteral("&Title")},
      {"preferences_show_footer", QStringLiteral("&Footer")},
      {"about_version", QStringLiteral("Version %@")},
      {"about_close", QStringLiteral("Close")},
      {"paste_unavailable",
       QStringLiteral("Marbrel cannot paste in this session: the desktop offers neither a virtual keyboard "
                      "(zwp_virtual_keyboard_v1) nor KWin's fake input. The entries you choose are copied; "
                      "paste them with Ctrl+V.")},
      {"history_in_use", QStringLiteral("The history is in use by another Marbrel")},
      {"history_in_use_text",
       QStringLiteral("Marbrel on display %1 (process %2) keeps the history, and one history is kept by one "
                      "program at a time, so this one leaves. Use that one, or quit it and start Marbrel again.")},
      {"paste_permission_reason", QStringLiteral("Marbrel pastes the entry you choose into the window in front.")},
  };
  return texts;
}

}  // namespace

QString EnglishTexts::text(const char* id) {
  if (!id) return {};
  return table().value(QByteArray(id));
}

}  // namespace marbrel
