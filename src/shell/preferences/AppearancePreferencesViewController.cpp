#include "shell/preferences/AppearancePreferencesViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "shell/preferences/PaneControls.h"
#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"

namespace marbrel {

namespace {

constexpr int kMargin = 20;

QCheckBox* makeCheckBox(const QString& text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

// A slider with its value label beside it.
QWidget* sliderRow(QSlider* slider, QLabel* label, QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(slider);
  layout->addWidget(label);
  return row;
}

}  // namespace

AppearancePreferencesViewController::AppearancePreferencesViewController(const PreferencesContext& context,
                                                                         QWidget* parent)
    : PreferencePane(parent), model_(context.configuration) {
  using namespace pane_controls;
  const PreferenceTexts texts(context.strings);
  setObjectName(QString::fromLatin1(kIdentifier));
  title_ = texts.text("preferences_appearance");

  popupAtButton_ = new QComboBox(this);
  popupAtButton_->setObjectName(QStringLiteral("popupAtButton"));
  popupAtButton_->addItem(texts.text("preferences_popup_cursor"), 0);
  popupAtButton_->addItem(texts.text("preferences_popup_center"), 1);
  popupAtButton_->addItem(texts.text("preferences_popup_status_item"), 2);

  pinToButton_ = new QComboBox(this);
  pinToButton_->setObjectName(QStringLiteral("pinToButton"));
  pinToButton_->addItem(texts.text("preferences_pin_top"), 0);
  pinToButton_->addItem(texts.text("preferences_pin_bottom"), 1);

  imageHeightSlider_ = makeSlider(preference_sliders::imageHeight, this);
  imageHeightLabelText_ = texts.text("preferences_image_height_value");
  imageHeightLabel_ =
      makeValueLabel(imageHeightLabelText_, preference_sliders::imageHeight, "imageHeightLabel", this);

  menuSizeSlider_ = makeSlider(preference_sliders::menuSize, this);
  menuSizeLabelText_ = texts.text("preferences_menu_size_value");
  menuSizeLabel_ = makeValueLabel(menuSizeLabelText_, preference_sliders::menuSize, "menuSizeLabel", this);

  showMenuIconButton_ = makeCheckBox(texts.text("preferences_show_menu_icon"), "showMenuIconButton", this);
  showSearchFieldButton_ = makeCheckBox(texts.text("preferences_show_search_field"), "showSearchFieldButton", this);
  showTitleButton_ = makeCheckBox(texts.text("preferences_show_title"), "showTitleButton", this);
  showFooterButton_ = makeCheckBox(texts.text("preferences_show_footer"), "showFooterButton", this);
  auto* parts = new QWidget(this);
  auto* partsColumn = new QVBoxLayout(parts);
  partsColumn->setContentsMargins(0, 0, 0, 0);
  for (QCheckBox* box : {showMenuIconButton_, showSearchFieldButton_, showTitleButton_, showFooterButton_}) {
    partsColumn->addWidget(box);
  }

  auto* form = new QFormLayout(this);
  form->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  addRow(*form, texts.text("preferences_popup_at"), popupAtButton_);
  addRow(*form, texts.text("preferences_pin_to"), pinToButton_);
  addRow(*form, texts.text("preferences_image_height"), sliderRow(imageHeightSlider_, imageHeightLabel_, this));
  addRow(*form, texts.text("preferences_menu_size"), sliderRow(menuSizeSlider_, menuSizeLabel_, this));
  addRow(*form, texts.text("preferences_show"), parts);

  connect(popupAtButton_, &QComboBox::activated, this,
          [this] { model_.popupPositionChanged(selectedTag(*popupAtButton_)); });
  connect(pinToButton_, &QComboBox::activated, this, [this] { model_.pinToChanged(selectedTag(*pinToButton_)); });
  connect(imageHeightSlider_, &QSlider::valueChanged, this, &AppearancePreferencesViewController::imageHeightChanged);
  connect(imageHeightSlider_, &QSlider::sliderReleased, this,
          [this] { model_.imageHeightChanged(imageHeightSlider_->value()); });
  connect(menuSizeSlider_, &QSlider::valueChanged, this, &AppearancePreferencesViewController::menuSizeChanged);
  connect(menuSizeSlider_, &QSlider::sliderReleased, this,
          [this] { model_.menuSizeChanged(menuSizeSlider_->value()); });
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
  setValue(*imageHeightSlider_, static_cast<int>(controls.imageHeight));
  showValue(*imageHeightLabel_, imageHeightLabelText_, preference_sliders::imageHeight, imageHeightSlider_->value());
  setValue(*menuSizeSlider_, static_cast<int>(controls.menuSize));
  showValue(*menuSizeLabel_, menuSizeLabelText_, preference_sliders::menuSize, menuSizeSlider_->value());
  setState(*showMenuIconButton_, controls.showMenuIcon);
  setState(*showSearchFieldButton_, controls.showSearchField);
  setState(*showTitleButton_, controls.showTitle);
  setState(*showFooterButton_, controls.showFooter);
}

void AppearancePreferencesViewController::imageHeightChanged(int value) {
  pane_controls::showValue(*imageHeightLabel_, imageHeightLabelText_, preference_sliders::imageHeight, value);
  if (!imageHeightSlider_->isSliderDown()) model_.imageHeightChanged(value);
}

void AppearancePreferencesViewController::menuSizeChanged(int value) {
  pane_controls::showValue(*menuSizeLabel_, menuSizeLabelText_, preference_sliders::menuSize, value);
  if (!menuSizeSlider_->isSliderDown()) model_.menuSizeChanged(value);
}

}  // namespace marbrel
