#include "shell/preferences/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/preferences/PreferenceIcons.h"
#include "shell/preferences/PreferenceTexts.h"

namespace marbrel {

namespace {

constexpr int kIconSize = 64;
constexpr int kMargin = 24;

}  // namespace

AboutDialog::AboutDialog(const Strings& strings, QWidget* parent) : QDialog(parent), strings_(strings) {
  const PreferenceTexts texts(strings_);
  setObjectName(QStringLiteral("aboutDialog"));
  setWindowTitle(texts.text("about"));

  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  icon->setPixmap(preference_icons::program().pixmap(kIconSize, kIconSize));
  icon->setAlignment(Qt::AlignCenter);

  nameLabel_ = new QLabel(QStringLiteral("Marbrel"), this);
  QFont nameFont = nameLabel_->font();
  nameFont.setBold(true);
  nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
  nameLabel_->setFont(nameFont);
  nameLabel_->setAlignment(Qt::AlignCenter);

  QString version = texts.text("about_version");
  version.replace(QStringLiteral("%@"), QStringLiteral(MARBREL_VERSION));
  versionLabel_ = new QLabel(version, this);
  versionLabel_->setAlignment(Qt::AlignCenter);
  versionLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

  creditsLabel_ = new QLabel(this);
  creditsLabel_->setObjectName(QStringLiteral("creditsLabel"));
  creditsLabel_->setAlignment(Qt::AlignCenter);
  creditsLabel_->setTextFormat(Qt::RichText);
  creditsLabel_->setOpenExternalLinks(true);
  creditsLabel_->setTextInteractionFlags(Qt::TextBrowserInteraction);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(texts.text("about_close"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin / 2);
  layout->addWidget(icon);
  layout->addWidget(nameLabel_);
  layout->addWidget(versionLabel_);
  layout->addWidget(creditsLabel_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  refreshCredits();
}

QString AboutDialog::creditsHtml(const QColor& colour) {
  return QStringLiteral("<div align=\"center\"><a href=\"%1\" style=\"color: %3\">%2</a><br></div>")
      .arg(QString::fromLatin1(kMakerAddress).toHtmlEscaped(), QString::fromLatin1(kMakerName).toHtmlEscaped(),
           colour.name());
}

void AboutDialog::refreshCredits() {
  // The name reads in the label's own colour (light or dark appearance), and is still a link.
  creditsLabel_->setText(creditsHtml(creditsLabel_->palette().color(QPalette::WindowText)));
}

}  // namespace marbrel
