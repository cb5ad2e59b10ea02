#include "shell/preferences/GeneralPreferencesViewController.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>

#include "core/shortcuts/Name.h"
#include "shell/portal/PortalStatus.h"
#include "shell/preferences/NumberBox.h"
#include "shell/preferences/PaneControls.h"
#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"
#include "shell/preferences/ShortcutRecorder.h"

namespace marbrel {

GeneralPreferencesViewController::GeneralPreferencesViewController(const PreferencesContext& context,
                                                                   QWidget* parent)
    : PreferencePane(parent),
      context_(context),
      model_(context.configuration, context.launchAtLogin, context.alerts, context.storedEntries) {
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
  historySizeBox_ = new NumberBox(preference_ranges::historySize,
                                  {texts.text("preferences_history_size_value"),
                                   texts.text("preferences_history_size_value_one"), QString()},
                                  "historySizeBox", this);
  sortByButton_ = makePopUp("sortByButton",
                            {texts.text("preferences_sort_last_copied"), texts.text("preferences_sort_first_copied"),
                             texts.text("preferences_sort_number_of_copies")},
                            this);

  const auto makeNote = [this](const char* name) {
    auto* note = new QLabel(this);
    note->setObjectName(QString::fromLatin1(name));
    note->setWordWrap(true);
    note->setMaximumWidth(320);
    note->setVisible(false);
    return note;
  };
  shortcutNote_ = makeNote("shortcutNote");
  pasteNote_ = makeNote("pasteNote");

  QFormLayout* form = makeForm(this);
  addRow(*form, texts.text("preferences_popup_shortcut"),
         column({row({hotkeyRecorder_}, this), shortcutNote_}, this), hotkeyRecorder_);
  addRow(*form, texts.text("preferences_startup"), launchAtLoginButton_);
  addRow(*form, texts.text("preferences_search"), fuzzySearchButton_);
  addRow(*form, texts.text("preferences_paste"), column({pasteAutomaticallyButton_, pasteNote_}, this),
         pasteAutomaticallyButton_);
  addRow(*form, texts.text("preferences_history_size"), historySizeBox_);
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

  // The question comes from the event loop, never from inside the box's own key or focus handling.
  shrinkTimer_.setSingleShot(true);
  connect(&shrinkTimer_, &QTimer::timeout, this, [this] { commitHistorySize(); });
  connect(historySizeBox_, &QSpinBox::valueChanged, this, [this](int value) { historySizeEdited(value); });
  // Return, or leaving the box, ends the change: no need to wait any longer.
  connect(historySizeBox_, &QSpinBox::editingFinished, this, [this] {
    if (shrinkTimer_.isActive()) shrinkTimer_.start(0);
  });
  if (context.portalStatus) connect(context.portalStatus, &PortalStatus::changed, this, [this] { showPortalNotes(); });
  showPortalNotes();
}

void GeneralPreferencesViewController::historySizeEdited(int value) {
  if (model_.historySizeDeletesEntries(value)) {
    // Stepping down goes through many sizes: ask once, about the one the user stops at.
    shrinkTimer_.start(kShrinkDelayMilliseconds);
    return;
  }
  shrinkTimer_.stop();
  model_.historySizeChanged(value);
}

void GeneralPreferencesViewController::commitHistorySize() {
  shrinkTimer_.stop();
  const int value = historySizeBox_->value();
  const std::int64_t inForce = model_.historySizeChanged(value);
  if (inForce != value) historySizeBox_->showValue(inForce);
}

void GeneralPreferencesViewController::hideEvent(QHideEvent* event) {
  PreferencePane::hideEvent(event);
  // The window closed (or the pane was left) while a smaller size waited: settle it now.
  if (shrinkTimer_.isActive()) shrinkTimer_.start(0);
}

void GeneralPreferencesViewController::showPortalNotes() {
  const PortalStatus* status = context_.portalStatus;
  const PreferenceTexts texts(context_.strings);
  QString shortcut;
  if (status && status->shortcut() == PortalStatus::Shortcut::reassigned) {
    shortcut = texts.text("preferences_shortcut_desktop_trigger");
    shortcut.replace(QLatin1String("%@"), status->shortcutTrigger());
  } else if (status && status->shortcut() == PortalStatus::Shortcut::refused) {
    shortcut = texts.text("preferences_shortcut_desktop_refused");
  } else if (status && status->shortcut() == PortalStatus::Shortcut::gone) {
    shortcut = texts.text("preferences_shortcut_desktop_gone");
  }
  shortcutNote_->setText(shortcut);
  shortcutNote_->setVisible(!shortcut.isEmpty());
  const bool pasteRefused = status && status->paste() == PortalStatus::Paste::refused;
  pasteNote_->setText(pasteRefused ? texts.text("preferences_paste_desktop_refused") : QString());
  pasteNote_->setVisible(pasteRefused);
}

QIcon GeneralPreferencesViewController::toolbarItemIcon() const { return preference_icons::general(); }

void GeneralPreferencesViewController::viewWillAppear() {
  using namespace pane_controls;
  const auto controls = model_.controlsOnAppearance();
  setState(*launchAtLoginButton_, controls.launchAtLogin);
  setState(*fuzzySearchButton_, controls.fuzzySearch);
  setState(*pasteAutomaticallyButton_, controls.pasteAutomatically);
  shrinkTimer_.stop();
  historySizeBox_->showValue(controls.historySize);
  selectItemWithTag(*sortByButton_, controls.sortByTag);
}

}  // namespace marbrel
