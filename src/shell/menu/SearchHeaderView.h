#pragma once

#include <QWidget>

#include "core/menu/SearchHeader.h"
#include "core/platform/QueryFieldEditor.h"

class QLabel;
class QLineEdit;

namespace marbrel {

class Strings;

// Draws the history menu's first row from its SearchHeader model: the title and the query field
// laid out as the model says. It shows the query the model holds, gives the field the keyboard
// focus when the model asks for it, reports the user's edits back, and is the field's editor.
class SearchHeaderView : public QWidget, public QueryFieldEditor {
  Q_OBJECT

 public:
  // `header` and `strings` are not owned and outlive the view.
  SearchHeaderView(SearchHeader& header, const Strings& strings, QWidget* parent = nullptr);
  ~SearchHeaderView() override;

  SearchHeader& header() const { return header_; }
  QLineEdit* queryField() const { return queryField_; }
  QLabel* titleField() const { return titleField_; }

  // QueryFieldEditor.
  void takeFocus() override;
  void paste() override;
  std::size_t selectedLength() const override;
  void setSelectedRange(std::size_t location, std::size_t length) override;

  // Brings the view in line with the model (title, query, focus).
  void refresh();

  // Whether the desktop asks for increased contrast (or reduced transparency): the view then
  // fills its background with the application colour "MenuColor".
  void setIncreasedContrast(bool increased);
  bool increasedContrast() const { return increasedContrast_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void layoutFields();

  SearchHeader& header_;
  SearchHeader::ObserverId observer_ = 0;
  QLabel* titleField_;
  QLineEdit* queryField_;
  bool updating_ = false;
  bool increasedContrast_ = false;
};

}  // namespace marbrel
