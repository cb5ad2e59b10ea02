#pragma once

#include <QString>

#include "core/app/GeneralPaneModel.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesContext.h"

#include "shell/preferences/SliderRow.h"

class QCheckBox;
class QComboBox;

namespace marbrel {

class ShortcutRecorder;

// The General pane: the shortcut that opens the history, launch at login, fuzzy search, paste
// automatically, the history size and the sort order. Every change is written at once.
class GeneralPreferencesViewController : public PreferencePane {
  Q_OBJECT

 public:
  static constexpr const char* kIdentifier = "general";

  explicit GeneralPreferencesViewController(const PreferencesContext& context, QWidget* parent = nullptr);

  QString preferencePaneIdentifier() const override { return QString::fromLatin1(kIdentifier); }
  QString preferencePaneTitle() const override { return title_; }
  QIcon toolbarItemIcon() const override;
  void viewWillAppear() override;

  ShortcutRecorder* hotkeyRecorder() const { return hotkeyRecorder_; }
  QCheckBox* launchAtLoginButton() const { return launchAtLoginButton_; }
  QCheckBox* fuzzySearchButton() const { return fuzzySearchButton_; }
  QCheckBox* pasteAutomaticallyButton() const { return pasteAutomaticallyButton_; }
  QSlider* historySizeSlider() const { return historySize_->slider(); }
  QLabel* historySizeLabel() const { return historySize_->label(); }
  QComboBox* sortByButton() const { return sortByButton_; }

 private:
  GeneralPaneModel model_;
  QString title_;
  ShortcutRecorder* hotkeyRecorder_ = nullptr;
  QCheckBox* launchAtLoginButton_ = nullptr;
  QCheckBox* fuzzySearchButton_ = nullptr;
  QCheckBox* pasteAutomaticallyButton_ = nullptr;
  SliderRow* historySize_ = nullptr;
  QComboBox* sortByButton_ = nullptr;
};

}  // namespace marbrel
