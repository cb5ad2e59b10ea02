#pragma once

#include <QString>
#include <QTimer>

#include "core/app/GeneralPaneModel.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesContext.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace marbrel {

class NumberBox;
class ShortcutRecorder;

// The General pane: the shortcut that opens the history, launch at login, fuzzy search, paste
// automatically, the history size and the sort order. Every change is written at once, except a
// history size that would delete stored entries: that one waits until the user stops changing the
// number, and is written only once the user agrees.
class GeneralPreferencesViewController : public PreferencePane {
  Q_OBJECT

 public:
  static constexpr const char* kIdentifier = "general";
  // How long a history size that would delete entries waits for the next step before asking.
  static constexpr int kShrinkDelayMilliseconds = 800;

  explicit GeneralPreferencesViewController(const PreferencesContext& context, QWidget* parent = nullptr);

  QString preferencePaneIdentifier() const override { return QString::fromLatin1(kIdentifier); }
  QString preferencePaneTitle() const override { return title_; }
  QIcon toolbarItemIcon() const override;
  void viewWillAppear() override;

  ShortcutRecorder* hotkeyRecorder() const { return hotkeyRecorder_; }
  QCheckBox* launchAtLoginButton() const { return launchAtLoginButton_; }
  QCheckBox* fuzzySearchButton() const { return fuzzySearchButton_; }
  QCheckBox* pasteAutomaticallyButton() const { return pasteAutomaticallyButton_; }
  NumberBox* historySizeBox() const { return historySizeBox_; }
  QComboBox* sortByButton() const { return sortByButton_; }
  // What the desktop answered about the shortcut and the paste, shown only when it matters.
  QLabel* shortcutNote() const { return shortcutNote_; }
  QLabel* pasteNote() const { return pasteNote_; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void historySizeEdited(int value);
  // Writes the size the box shows, asking first when it deletes entries.
  void commitHistorySize();

  void showPortalNotes();

  const PreferencesContext& context_;
  GeneralPaneModel model_;
  QString title_;
  ShortcutRecorder* hotkeyRecorder_ = nullptr;
  QCheckBox* launchAtLoginButton_ = nullptr;
  QCheckBox* fuzzySearchButton_ = nullptr;
  QCheckBox* pasteAutomaticallyButton_ = nullptr;
  NumberBox* historySizeBox_ = nullptr;
  QComboBox* sortByButton_ = nullptr;
  QTimer shrinkTimer_;
  QLabel* shortcutNote_ = nullptr;
  QLabel* pasteNote_ = nullptr;
};

}  // namespace marbrel
