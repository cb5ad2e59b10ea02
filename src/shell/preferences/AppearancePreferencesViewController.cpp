#include "shell/preferences/AppearancePreferencesViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

#include "shell/preferences/NumberBox.h"
#include "shell/preferences/PaneControls.h"
#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"

namespace marbrel {

AppearancePreferencesViewController::AppearancePreferencesViewController(const PreferencesContext& context,
                                                                         QWidget* parent)
    : PreferencePane(parent), model_(context.configuration) {
  using namespace pane_controls;
  const PreferenceTexts texts(context.strings);
  setObjectName(QString::fromLatin1(kIdentifier));
  title_ = texts.text("preferences_appearance");

  popupAtButton_ = makePopUp("popupAtButton",
                             {texts.text("preferences_popup_cursor"), texts.text("preferences_popup_center"),
                              texts.text("preferences_popup_status_item")},
                             this);
  pinToButton_ =
      makePopUp("pinToButton", {texts.text("preferences_pin_top"), texts.text("preferences_pin_bottom")}, this);
  imageHeight_ = new SliderRow(preference_ranges::imageHeight, texts.text("preferences_image_height_value"),
                               "imageHeightLabel", [this](int value) { model_.imageHeightChanged(value); }, this);
  menuSizeBox_ = new NumberBox(preference_ranges::menuSize,
                               {texts.text("preferences_menu_size_value"), texts.text("preferences_menu_size_value_one"),
                                texts.text("preferences_menu_size_all")},
                               "menuSizeBox", this);
  showMenuIconButton_ = makeCheckBox(texts.text("preferences_show_menu_icon"), "showMenuIconButton", this);
  showSearchFieldButton_ = makeCheckBox(texts.text("preferences_show_search_field"), "showSearchFieldButton", this);
  showTitleButton_ = makeCheckBox(texts.text("preferences_show_title"), "showTitleButton", this);
  showFooterButton_ = makeCheckBox(texts.text("preferences_show_footer"), "showFooterButton", this);

  QFormLayout* form = makeForm(this);
  addRow(*form, texts.text("preferences_popup_at"), popupAtButton_);
  addRow(*form, texts.text("preferences_pin_to"), pinToButton_);
  addRow(*form, texts.text("preferences_image_height"), imageHeight_, imageHeight_->slider());
  addRow(*form, texts.text("preferences_menu_size"), menuSizeBox_);
  addRow(*form, texts.text("preferences_show"),
         column({showMenuIconButton_, showSearchFieldButton_, showTitleButton_, showFooterButton_}, this),
         showMenuIconButton_);

  connect(popupAtButton_, &QComboBox::activated, this,
          [this] { model_.popupPositionChanged(selectedTag(*popupAtButton_)); });
  connect(pinToButton_, &QComboBox::activated, this, [this] { model_.pinToChanged(selectedTag(*pinToButton_)); });
  connect(menuSizeBox_, &QSpinBox::valueChanged, this, [this](int value) { model_.menuSizeChanged(value); });
  connect(showMenuIconButton_, &QCheckBox::clicked, this,
          [this] { model_.showMenuIconChanged(stateOf(*showMenuIconButton_)); });
  connect(showSearchFieldButton_, &QCheckBox::clicked, this,
          [this] { model_.showSearchFieldChanged(stateOf(*showSearchFieldButton_)); });
  connect(showTitleButton_, &QCheckBox::clicked, this,
          [this] { model_.showTitleChanged(stateOf(*showTitleButton_)); });
  connect(showFooterButton_, &QCheckBox::clicked, this,
          [this] { model_.showFooterChanged(stateOf(*showFooterButton_)); });
}

QIcon AppearancePreferencesViewController::toolbarItemIcon() const { return preference_icons::appearance(); }

void AppearancePreferencesViewController::viewWillAppear() {
  using namespace pane_controls;
  const auto controls = model_.controlsOnAppearance();
  selectItemWithTag(*popupAtButton_, controls.popupAtTag);
  selectItemWithTag(*pinToButton_, controls.pinToTag);
  imageHeight_->showValue(static_cast<int>(controls.imageHeight));
  menuSizeBox_->showValue(controls.menuSize);
  setState(*showMenuIconButton_, controls.showMenuIcon);
  setState(*showSearchFieldButton_, controls.showSearchField);
  setState(*showTitleButton_, controls.showTitle);
  setState(*showFooterButton_, controls.showFooter);
}

}  // namespace marbrel
