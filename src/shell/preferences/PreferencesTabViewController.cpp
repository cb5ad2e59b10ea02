#include "shell/preferences/PreferencesTabViewController.h"

#include <QAction>
#include <QApplication>
#include <QEasingCurve>
#include <QGraphicsOpacityEffect>
#include <QMainWindow>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QToolBar>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "shell/preferences/PreferencePane.h"
#include "shell/preferences/ToolbarItemStyleViewController.h"

namespace marbrel {

namespace {

constexpr int kToolbarIconSize = 32;

// The timing of the platform's ease-in-ease-out: a cubic Bézier through (0.42, 0) and (0.58, 1).
QEasingCurve easeInEaseOut() {
  QEasingCurve curve(QEasingCurve::BezierSpline);
  curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
  return curve;
}

QPropertyAnimation* fade(QWidget& pane, qreal from, qreal to, QObject* parent) {
  auto* effect = new QGraphicsOpacityEffect(&pane);
  effect->setOpacity(from);
  pane.setGraphicsEffect(effect);
  auto* animation = new QPropertyAnimation(effect, "opacity", parent);
  animation->setDuration(PreferencesTabViewController::kAnimationMilliseconds);
  animation->setStartValue(from);
  animation->setEndValue(to);
  animation->setEasingCurve(easeInEaseOut());
  return animation;
}

}  // namespace

PreferencesTabViewController::PreferencesTabViewController(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("preferencesContent"));
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
}

PreferencesTabViewController::~PreferencesTabViewController() {
  if (transition_) transition_->stop();
}

void PreferencesTabViewController::configure(std::vector<PreferencePane*> panes, QMainWindow& window,
                                             QString preferencesWord) {
  panes_ = std::move(panes);
  preferencesWord_ = std::move(preferencesWord);
  for (PreferencePane* pane : panes_) {
    pane->setParent(this);
    pane->hide();
    // The pane itself holds the focus when it appears, so that no control (the shortcut recorder
    // least of all) takes it unasked; Tab moves on from there.
    pane->setFocusPolicy(Qt::ClickFocus);
  }
  toolbar_ = new QToolBar(&window);
  toolbar_->setObjectName(QString::fromLatin1(kToolbarIdentifier));
  toolbar_->setMovable(false);
  toolbar_->setFloatable(false);
  toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
  toolbar_->toggleViewAction()->setEnabled(false);
  toolbar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  toolbar_->setIconSize(QSize(kToolbarIconSize, kToolbarIconSize));
  styleController_ = new ToolbarItemStyleViewController(panes_, *toolbar_, this, this);
  window.addToolBar(Qt::TopToolBarArea, toolbar_);

  // The toolbar's buttons take no keyboard focus; these keys switch panes as browsers switch tabs.
  const std::pair<QKeySequence, int> keys[] = {{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                               {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
                                               {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                               {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1}};
  for (const auto& [sequence, direction] : keys) {
    auto* action = new QAction(this);
    action->setShortcut(sequence);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, direction = direction] { activateNeighbour(direction); });
    window.addAction(action);
  }
}

void PreferencesTabViewController::activateNeighbour(int direction) {
  if (panes_.empty()) return;
  const int count = static_cast<int>(panes_.size());
  const int current = activeTab_.value_or(0);
  activateTab(((current + direction) % count + count) % count, true);
}

QString PreferencesTabViewController::titleForTab(int index) const {
  QString name = QApplication::applicationDisplayName();
  if (name.isEmpty()) name = QApplication::applicationName();
  if (name.isEmpty()) name = QStringLiteral("<Unknown App Name>");
  // The window names its pane and, as desktop windows do, the program ("General – Marbrel"); a lone
  // pane does not name the window, the program does.
  if (panes_.size() >= 2) return panes_[index]->preferencePaneTitle() + QStringLiteral(" \u2013 ") + name;
  return name + QLatin1Char(' ') + preferencesWord_;
}

QSize PreferencesTabViewController::windowSizeForPane(const PreferencePane& pane) const {
  QSize content = pane.sizeHint().expandedTo(pane.minimumSizeHint());
  if (toolbar_ && !toolbar_->isHidden()) {
    const QSize bar = toolbar_->sizeHint();
    content.setWidth(std::max(content.width(), bar.width()));
    content.setHeight(content.height() + bar.height());
  }
  return content;
}

void PreferencesTabViewController::activateTab(int index, bool animated) {
  if (index < 0 || index >= static_cast<int>(panes_.size())) return;
  // A switch still under way lands first.
  if (transition_) transition_->setCurrentTime(transition_->totalDuration());

  PreferencePane& pane = *panes_[index];
  if (!activeTab_) {
    pane.viewWillAppear();
    pin(pane);
    resizeWindow(windowSizeForPane(pane));
  } else if (*activeTab_ != index) {
    pane.viewWillAppear();
    transition(*panes_[*activeTab_], pane, animated);
  }
  activeTab_ = index;
  styleController_->selectTab(index);
  if (QWidget* top = window()) top->setWindowTitle(titleForTab(index));
}

void PreferencesTabViewController::transition(PreferencePane& from, PreferencePane& to, bool animated) {
  unpin(from);
  const QSize target = windowSizeForPane(to);
  if (!(animated && animated_)) {
    from.hide();
    resizeWindow(target);
    pin(to);
    return;
  }

  // Until the switch lands, the new pane keeps its own size at the top left while the window
  // grows or shrinks around it.
  to.setGeometry(QRect(QPoint(0, 0), to.sizeHint().expandedTo(to.minimumSizeHint())));
  to.show();
  to.raise();

  auto* group = new QParallelAnimationGroup(this);
  auto* resize = new QVariantAnimation(group);
  resize->setDuration(kAnimationMilliseconds);
  resize->setEasingCurve(easeInEaseOut());
  resize->setStartValue(window()->size());
  resize->setEndValue(target);
  connect(resize, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { resizeWindow(value.toSize()); });
  group->addAnimation(resize);
  group->addAnimation(fade(from, 1.0, 0.0, group));
  group->addAnimation(fade(to, 0.0, 1.0, group));

  QPointer<PreferencePane> outgoing(&from);
  QPointer<PreferencePane> incoming(&to);
  connect(group, &QAbstractAnimation::finished, this, [this, outgoing, incoming, target] {
    if (outgoing) {
      outgoing->hide();
      outgoing->setGraphicsEffect(nullptr);
    }
    if (incoming) {
      incoming->setGraphicsEffect(nullptr);
      resizeWindow(target);
      pin(*incoming);
    }
  });
  transition_ = group;
  group->start(QAbstractAnimation::DeleteWhenStopped);
}

QAbstractAnimation* PreferencesTabViewController::runningTransition() const {
  return transition_ && transition_->state() == QAbstractAnimation::Running ? transition_.data() : nullptr;
}

void PreferencesTabViewController::pin(PreferencePane& pane) {
  layout_->addWidget(&pane);
  pane.show();
  QWidget* focus = window()->focusWidget();
  if (!focus || !pane.isAncestorOf(focus)) pane.setFocus(Qt::OtherFocusReason);
}

void PreferencesTabViewController::unpin(PreferencePane& pane) { layout_->removeWidget(&pane); }

void PreferencesTabViewController::resizeWindow(const QSize& size) {
  // The window takes exactly its pane's size: the user does not resize it. Qt keeps the top-left
  // corner where it is, so the top edge stays in place.
  if (QWidget* top = window(); top && top != this) top->setFixedSize(size);
}

}  // namespace marbrel
