#include "shell/preferences/PreferencesWindowController.h"

#include <stdexcept>

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QToolBar>

#include "core/app/PreferencesWindowFrame.h"
#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/PreferencesMainWindow.h"
#include "shell/preferences/PreferencesTabViewController.h"

namespace marbrel {

namespace {

WindowFrame frameOf(const QRect& rect) { return {rect.x(), rect.y(), rect.width(), rect.height()}; }

}  // namespace

PreferencesWindowController::PreferencesWindowController(std::vector<std::unique_ptr<PreferencePane>> panes,
                                                         bool animated, bool hidesToolbarForSingleItem,
                                                         PreferencesWindowFrame& frame, QString preferencesWord)
    : frame_(frame), hidesToolbarForSingleItem_(hidesToolbarForSingleItem) {
  if (panes.empty()) throw std::invalid_argument("a preference window needs at least one pane");
  window_ = std::make_unique<PreferencesMainWindow>();
  tabViewController_ = new PreferencesTabViewController(window_.get());
  window_->setCentralWidget(tabViewController_);
  tabViewController_->setAnimated(animated);

  std::vector<PreferencePane*> owned;
  for (auto& pane : panes) owned.push_back(pane.release());  // the content widget owns them now
  tabViewController_->configure(std::move(owned), *window_, std::move(preferencesWord));
  applyToolbarVisibility();

  saveTimer_.setSingleShot(true);
  saveTimer_.setInterval(kFrameSaveDelayMilliseconds);
  connect(&saveTimer_, &QTimer::timeout, this, &PreferencesWindowController::saveFrame);
  window_->setFrameChangedHandler([this] { frameChanged(); });

  auto* close = new QAction(window_.get());
  // The desktop's own close keys, and Ctrl+W wherever the desktop does not list it.
  QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
  if (!closeKeys.contains(QKeySequence(Qt::CTRL | Qt::Key_W))) closeKeys.append(QKeySequence(Qt::CTRL | Qt::Key_W));
  close->setShortcuts(closeKeys);
  connect(close, &QAction::triggered, window_.get(), &QWidget::close);
  window_->addAction(close);
}

PreferencesWindowController::~PreferencesWindowController() {
  window_->setFrameChangedHandler({});
}

void PreferencesWindowController::setHidesToolbarForSingleItem(bool hides) {
  hidesToolbarForSingleItem_ = hides;
  applyToolbarVisibility();
}

void PreferencesWindowController::applyToolbarVisibility() {
  const bool visible = !(hidesToolbarForSingleItem_ && tabViewController_->preferencePanes().size() < 2);
  tabViewController_->toolbar()->setVisible(visible);
}

void PreferencesWindowController::show(const std::optional<QString>& identifier) {
  const auto& panes = tabViewController_->preferencePanes();
  if (identifier) {
    int index = 0;
    for (std::size_t i = 0; i < panes.size(); ++i) {
      if (panes[i]->preferencePaneIdentifier() == *identifier) {
        index = static_cast<int>(i);
        break;
      }
    }
    tabViewController_->activateTab(index, false);
  } else if (!tabViewController_->activeTab()) {
    tabViewController_->activateTab(0, false);
  } else {
    // Showing again: the pane last shown reads the settings anew.
    panes[*tabViewController_->activeTab()]->viewWillAppear();
  }

  autosave_ = false;
  // Placed before showing, so that it does not appear elsewhere first, and again once shown, when
  // the window system has added its frame.
  placeWindow();
  window_->show();
  placeWindow();
  window_->raise();
  window_->activateWindow();
  autosave_ = true;
}

void PreferencesWindowController::placeWindow() {
  QScreen* screen = window_->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return;  // nowhere to show it; the platform places it
  std::vector<WindowFrame> screens;
  for (const QScreen* each : QGuiApplication::screens()) screens.push_back(frameOf(each->availableGeometry()));
  const WindowFrame placed =
      frame_.placement(frameOf(window_->frameGeometry()), frameOf(screen->availableGeometry()), screens);
  window_->move(placed.x, placed.y);
}

void PreferencesWindowController::frameChanged() {
  if (!autosave_) return;
  if (window_->isVisible()) {
    saveTimer_.start();
  } else {
    saveFrame();  // hidden: write at once
  }
}

void PreferencesWindowController::saveFrame() {
  saveTimer_.stop();
  if (!autosave_) return;
  frame_.save(frameOf(window_->frameGeometry()));
}

}  // namespace marbrel
