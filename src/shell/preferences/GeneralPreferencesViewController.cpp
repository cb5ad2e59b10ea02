#include "shell/preferences/GeneralPreferencesViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

#include "core/shortcuts/Name.h"
#include "shell/preferences/PaneControls.h"
#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"
#include "shell/preferences/ShortcutRecorder.h"

namespace marbrel {

GeneralPreferencesViewController::GeneralPreferencesViewController(const PreferencesContext& context,
                                                                   QWidget* parent)
    : PreferencePane(parent), model_(context.configuration, context.launchAtLogin) {
  using namespace pane_controls;
  const PreferenceTexts texts(context.strings);
  setObjectName(QString::fromLatin1(kIdentifier));
  title_ = texts.text("preferences_general");

  hotkeyRecorder_ = new ShortcutRecorder(context.shortcuts, context.notifications, Name::popup(),
                                         context.shortcutText, context.menuItems, context.strings);
  launchAtLoginButton_ = makeCheckBox(texts.text("preferences_launch_at_login"), "launchAtLoginButton", this);
  fuzzySearchButton_ = makeCheckBox(texts.text("preferences_fuzzy_search"), "fuzzySearchButton", this);
  pasteAutomaticallyButton_ =
      makeCheckBox(texts.text("preferences_paste_automatically"), "pasteAutomaticallyButton", this);
  historySize_ = new SliderRow(preference_sliders::historySize, texts.text("preferences_history_size_value"),
                               "historySizeLabel", [this](int value) { model_.historySizeChanged(value); }, this);
  sortByButton_ = makePopUp("sortByButton",
                            {texts.text("preferences_sort_last_copied"), texts.text("preferences_sort_first_copied"),
                             texts.text("preferences_sort_number_of_copies")},
                            this);

  QFormLayout* form = makeForm(this);
  addRow(*form, texts.text("preferences_popup_shortcut"), row({hotkeyRecorder_}, this));
  addRow(*form, texts.text("preferences_startup"), launchAtLoginButton_);
  addRow(*form, texts.text("preferences_search"), fuzzySearchButton_);
  addRow(*form, texts.text("preferences_paste"), pasteAutomaticallyButton_);
  addRow(*form, texts.text("preferences_history_size"), historySize_);
  addRow(*form, texts.text("preferences_sort_by"), sortByButton_);

  connect(launchAtLoginButton_, &QCheckBox::clicked, this, [this] {
    setState(*launchAtLoginButton_, model_.launchAtLoginChanged(stateOf(*launchAtLoginButton_)));
  });
  connect(fuzzySearchButton_, &QCheckBox::clicked, this,
          [this] { model_.fuzzySearchChanged(stateOf(*fuzzySearchButton_)); });
  connect(pasteAutomaticallyButton_, &QCheckBox::clicked, this,
          [this] { model_.pasteAutomaticallyChanged(stateOf(*pasteAutomaticallyButton_)); });
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
  historySize_->showValue(static_cast<int>(controls.historySize));
  selectItemWithTag(*sortByButton_, controls.sortByTag);
}

}  // namespace marbrel
