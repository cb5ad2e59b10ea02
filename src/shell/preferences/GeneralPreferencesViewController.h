#pragma once

#include <QString>

#include "core/app/GeneralPaneModel.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesContext.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;

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
  QSlider* historySizeSlider() const { return historySizeSlider_; }
  QLabel* historySizeLabel() const { return historySizeLabel_; }
  QComboBox* sortByButton() const { return sortByButton_; }

 private:
  void historySizeChanged(int value);

  GeneralPaneModel model_;
  QString title_;
  ShortcutRecorder* hotkeyRecorder_ = nullptr;
  QWidget* hotkeyContainerView_ = nullptr;
  QCheckBox* launchAtLoginButton_ = nullptr;
  QCheckBox* fuzzySearchButton_ = nullptr;
  QCheckBox* pasteAutomaticallyButton_ = nullptr;
  QSlider* historySizeSlider_ = nullptr;
  QLabel* historySizeLabel_ = nullptr;
  // The label's layout text, with the placeholder for the value.
  QString historySizeLabelText_;
  QComboBox* sortByButton_ = nullptr;
};

}  // namespace marbrel
