#pragma once

#include <QString>

#include "core/app/AppearancePaneModel.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesContext.h"

#include "shell/preferences/SliderRow.h"

class QCheckBox;
class QComboBox;

namespace marbrel {

class NumberBox;

// The Appearance pane: where the menu pops up, where pinned entries go, the image height, the menu
// size, and which parts of the menu (tray icon, search field, title, footer) are shown. Every
// change is written at once.
class AppearancePreferencesViewController : public PreferencePane {
  Q_OBJECT

 public:
  static constexpr const char* kIdentifier = "appearance";

  explicit AppearancePreferencesViewController(const PreferencesContext& context, QWidget* parent = nullptr);

  QString preferencePaneIdentifier() const override { return QString::fromLatin1(kIdentifier); }
  QString preferencePaneTitle() const override { return title_; }
  QIcon toolbarItemIcon() const override;
  void viewWillAppear() override;

  QComboBox* popupAtButton() const { return popupAtButton_; }
  QComboBox* pinToButton() const { return pinToButton_; }
  QSlider* imageHeightSlider() const { return imageHeight_->slider(); }
  QLabel* imageHeightLabel() const { return imageHeight_->label(); }
  NumberBox* menuSizeBox() const { return menuSizeBox_; }
  QCheckBox* showMenuIconButton() const { return showMenuIconButton_; }
  QCheckBox* showSearchFieldButton() const { return showSearchFieldButton_; }
  QCheckBox* showTitleButton() const { return showTitleButton_; }
  QCheckBox* showFooterButton() const { return showFooterButton_; }

 private:
  AppearancePaneModel model_;
  QString title_;
  QComboBox* popupAtButton_ = nullptr;
  QComboBox* pinToButton_ = nullptr;
  SliderRow* imageHeight_ = nullptr;
  NumberBox* menuSizeBox_ = nullptr;
  QCheckBox* showMenuIconButton_ = nullptr;
  QCheckBox* showSearchFieldButton_ = nullptr;
  QCheckBox* showTitleButton_ = nullptr;
  QCheckBox* showFooterButton_ = nullptr;
};

}  // namespace marbrel
