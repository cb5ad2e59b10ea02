#include "shell/preferences/GeneralPreferencesViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

#include "core/shortcuts/Name.h"
#include "shell/preferences/PaneControls.h"
#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"
#include "shell/preferences/ShortcutRecorder.h"

namespace marbrel {

namespace {

constexpr int kMargin = 20;

QCheckBox* makeCheckBox(const QString& text, const char* name, QWidget* parent) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

}  // namespace

GeneralPreferencesViewController::GeneralPreferencesViewController(const PreferencesContext& context,
                                                                   QWidget* parent)
    : PreferencePane(parent), model_(context.configuration, context.launchAtLogin) {
  using namespace pane_controls;
  const PreferenceTexts texts(context.strings);
  setObjectName(QString::fromLatin1(kIdentifier));
  title_ = texts.text("preferences_general");

  hotkeyRecorder_ = new ShortcutRecorder(context.shortcuts, context.notifications, Name::popup(),
                                         context.shortcutText, context.menuItems, context.strings);
  hotkeyContainerView_ = new QWidget(this);
  auto* container = new QHBoxLayout(hotkeyContainerView_);
  container->setContentsMargins(0, 0, 0, 0);
  container->addWidget(hotkeyRecorder_);
  container->addStretch();

  launchAtLoginButton_ = makeCheckBox(texts.text("preferences_launch_at_login"), "launchAtLoginButton", this);
  fuzzySearchButton_ = makeCheckBox(texts.text("preferences_fuzzy_search"), "fuzzySearchButton", this);
  pasteAutomaticallyButton_ =
      makeCheckBox(texts.text("preferences_paste_automatically"), "pasteAutomaticallyButton", this);

  historySizeSlider_ = makeSlider(preference_sliders::historySize, this);
  historySizeLabelText_ = texts.text("preferences_history_size_value");
  historySizeLabel_ =
      makeValueLabel(historySizeLabelText_, preference_sliders::historySize, "historySizeLabel", this);
  auto* historySize = new QWidget(this);
  auto* historySizeRow = new QHBoxLayout(historySize);
  historySizeRow->setContentsMargins(0, 0, 0, 0);
  historySizeRow->addWidget(historySizeSlider_);
  historySizeRow->addWidget(historySizeLabel_);

  sortByButton_ = new QComboBox(this);
  sortByButton_->setObjectName(QStringLiteral("sortByButton"));
  sortByButton_->addItem(texts.text("preferences_sort_last_copied"), 0);
  sortByButton_->addItem(texts.text("preferences_sort_first_copied"), 1);
  sortByButton_->addItem(texts.text("preferences_sort_number_of_copies"), 2);

  auto* form = new QFormLayout(this);
  form->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  addRow(*form, texts.text("preferences_popup_shortcut"), hotkeyContainerView_);
  addRow(*form, texts.text("preferences_startup"), launchAtLoginButton_);
  addRow(*form, texts.text("preferences_search"), fuzzySearchButton_);
  addRow(*form, texts.text("preferences_paste"), pasteAutomaticallyButton_);
  addRow(*form, texts.text("preferences_history_size"), historySize);
  addRow(*form, texts.text("preferences_sort_by"), sortByButton_);

  connect(launchAtLoginButton_, &QCheckBox::clicked, this, [this] {
    setState(*launchAtLoginButton_, model_.launchAtLoginChanged(stateOf(*launchAtLoginButton_)));
  });
  connect(fuzzySearchButton_, &QCheckBox::clicked, this,
          [this] { model_.fuzzySearchChanged(stateOf(*fuzzySearchButton_)); });
  connect(pasteAutomaticallyButton_, &QCheckBox::clicked, this,
          [this] { model_.pasteAutomaticallyChanged(stateOf(*pasteAutomaticallyButton_)); });
  connect(historySizeSlider_, &QSlider::valueChanged, this, &GeneralPreferencesViewController::historySizeChanged);
  connect(historySizeSlider_, &QSlider::sliderReleased, this,
          [this] { model_.historySizeChanged(historySizeSlider_->value()); });
  connect(sortByButton_, &QComboBox::activated, this,
          [this] { model_.sortByChanged(selectedTag(*sortByButton_)); });
}

QIcon GeneralPreferencesViewController::toolbarItemIcon() const { return preference_icons::general(); }

void GeneralPreferencesViewController::viewWillAppear() {
  using namespace pane_controls;
  const auto controls = model_.controlsOnAppearance();
  setState(*launchAtLoginButton_, controls.launchAtLogin);
  setState(*fuzzySearchButton_, controls.fuzzySearch);
  setState(*pasteAutomaticallyButton_, controls.pasteAutomatically);
  setValue(*historySizeSlider_, static_cast<int>(controls.historySize));
  showValue(*historySizeLabel_, historySizeLabelText_, preference_sliders::historySize, historySizeSlider_->value());
  selectItemWithTag(*sortByButton_, controls.sortByTag);
}

void GeneralPreferencesViewController::historySizeChanged(int value) {
  pane_controls::showValue(*historySizeLabel_, historySizeLabelText_, preference_sliders::historySize, value);
  // While the knob is dragged only the label follows; the value is written when it is let go.
  if (!historySizeSlider_->isSliderDown()) model_.historySizeChanged(value);
}

}  // namespace marbrel
