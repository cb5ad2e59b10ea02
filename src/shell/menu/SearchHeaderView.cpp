#include "shell/menu/SearchHeaderView.h"

#include <cmath>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>

#include "core/platform/Strings.h"
#include "shell/qt/ApplicationColors.h"

namespace marbrel {

SearchHeaderView::SearchHeaderView(SearchHeader& header, const Strings& strings, QWidget* parent)
    : QWidget(parent), header_(header), titleField_(new QLabel(this)), queryField_(new QLineEdit(this)) {
  setFocusPolicy(Qt::NoFocus);
  QFont titleFont = font();
  titleFont.setPixelSize(int(SearchHeaderLayout::kTitleFontSize));
  titleField_->setFont(titleFont);
  titleField_->setEnabled(false);
  titleField_->setFocusPolicy(Qt::NoFocus);

  QFont queryFont = font();
  queryFont.setPixelSize(int(SearchHeaderLayout::kQueryFontSize));
  queryField_->setFont(queryFont);
  queryField_->setPlaceholderText(
      QString::fromStdString(strings.localized(SearchHeaderLayout::kPlaceholderKey)));
  queryField_->setClearButtonEnabled(false);
  // The field takes the focus only when the model gives it (a click, or typing with focus allowed).
  queryField_->setFocusPolicy(Qt::NoFocus);
  queryField_->setAttribute(Qt::WA_MacShowFocusRect, false);
  queryField_->installEventFilter(this);
  connect(queryField_, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (!updating_) header_.textDidChange(text.toStdString());
  });

  header_.setFieldEditor(this);
  observer_ = header_.addObserver([this] { refresh(); });
  refresh();
}

SearchHeaderView::~SearchHeaderView() {
  header_.removeObserver(observer_);
  header_.setFieldEditor(nullptr);
}

void SearchHeaderView::takeFocus() {
  queryField_->setFocusPolicy(Qt::StrongFocus);
  queryField_->setFocus(Qt::OtherFocusReason);
  queryField_->selectAll();
}

void SearchHeaderView::paste() { queryField_->paste(); }

std::size_t SearchHeaderView::selectedLength() const {
  return std::size_t(queryField_->selectedText().size());
}

void SearchHeaderView::setSelectedRange(std::size_t location, std::size_t length) {
  if (length == 0) {
    queryField_->deselect();
    queryField_->setCursorPosition(int(location));
  } else {
    queryField_->setSelection(int(location), int(length));
  }
}

void SearchHeaderView::refresh() {
  updating_ = true;
  const QString title = QString::fromStdString(header_.title());
  if (titleField_->text() != title) titleField_->setText(title);
  const QString query = QString::fromStdString(header_.query());
  if (queryField_->text() != query) {
    queryField_->setText(query);
    queryField_->setCursorPosition(int(query.size()));
  }
  const bool editing = header_.focus() == SearchHeader::Focus::fieldEditor ||
                       header_.focus() == SearchHeader::Focus::queryField;
  if (editing && !queryField_->hasFocus()) {
    queryField_->setFocusPolicy(Qt::StrongFocus);
    queryField_->setFocus(Qt::OtherFocusReason);
  } else if (!editing && queryField_->hasFocus()) {
    queryField_->setFocusPolicy(Qt::NoFocus);
    if (QWidget* window = this->window()) window->setFocus(Qt::OtherFocusReason);
  }
  updating_ = false;
  layoutFields();
}

void SearchHeaderView::layoutFields() {
  const SearchHeaderLayout& layout = header_.layout();
  titleField_->setVisible(layout.showsTitle && layout.constrained);
  queryField_->setVisible(layout.showsQuery && layout.constrained);
  if (!layout.constrained) return;
  const int w = width();
  const int h = height();
  const int queryTop = int(std::lround(layout.queryTop));
  const int queryHeight = std::max(0, h - queryTop - int(std::lround(layout.queryBottom)));
  int queryLeft = int(std::lround(layout.queryLeading));
  if (layout.showsTitle) {
    const int titleLeft = int(std::lround(layout.titleLeading));
    const int titleWidth = titleField_->sizeHint().width();
    const int titleTop = int(std::lround(layout.titleTop));
    titleField_->setGeometry(titleLeft, titleTop, titleWidth,
                             std::max(0, h - titleTop - int(std::lround(layout.titleBottom))));
    queryLeft = titleLeft + titleWidth + int(std::lround(layout.titleSpacing));
  }
  const int queryWidth = std::max(0, w - queryLeft - int(std::lround(layout.queryTrailing)));
  queryField_->setGeometry(queryLeft, queryTop, queryWidth, queryHeight);
}

void SearchHeaderView::setIncreasedContrast(bool increased) {
  if (increased == increasedContrast_) return;
  increasedContrast_ = increased;
  update();
}

void SearchHeaderView::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  if (increasedContrast_) {
    if (const auto color = ApplicationColors::named(SearchHeaderLayout::kContrastBackgroundColor, palette())) {
      QPainter painter(this);
      painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
      painter.fillRect(event->rect(), *color);
    }
  }
  // Once the open menu has been drawn, the field may take the focus.
  if (!header_.fieldAcceptsFocus()) header_.didDraw();
}

void SearchHeaderView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutFields();
}

bool SearchHeaderView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != queryField_) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::MouseButtonPress) {
    // A click into the field gives it the focus, when it may take it.
    if (header_.fieldAcceptsFocus()) header_.makeQueryFieldFirstResponder();
    return !header_.fieldAcceptsFocus();
  }
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      return header_.doCommandBySelector("insertTab:");
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace marbrel
