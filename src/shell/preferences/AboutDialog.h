#pragma once

#include <QDialog>

class QColor;
class QLabel;

namespace marbrel {

class Strings;

// The About window: the program's icon, name and version, and a centred credits line naming its
// maker with a link to the maker's web site.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr const char* kMakerName = "The Marbrel developers";
  static constexpr const char* kMakerAddress = "https://marbrel.org";

  // `strings` is not owned and outlives the dialog.
  explicit AboutDialog(const Strings& strings, QWidget* parent = nullptr);

  // Builds the credits anew, in the palette's text colour of the moment.
  void refreshCredits();

  QLabel* nameLabel() const { return nameLabel_; }
  QLabel* versionLabel() const { return versionLabel_; }
  QLabel* creditsLabel() const { return creditsLabel_; }

  // The credits as rich text: the maker's name as a link in `colour`, then an empty line, centred.
  static QString creditsHtml(const QColor& colour);

 private:
  const Strings& strings_;
  QLabel* nameLabel_ = nullptr;
  QLabel* versionLabel_ = nullptr;
  QLabel* creditsLabel_ = nullptr;
};

}  // namespace marbrel
