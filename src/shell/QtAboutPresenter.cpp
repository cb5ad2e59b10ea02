#include "shell/QtAboutPresenter.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "shell/MenuImages.h"

namespace marbrel {

QtAboutPresenter::~QtAboutPresenter() { delete panel_; }

void QtAboutPresenter::openAbout() {
  if (!panel_) {
    auto* dialog = new QDialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("About Marbrel"));
    dialog->setWindowIcon(ApplicationImages::applicationIcon());
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(8);

    auto* icon = new QLabel(dialog);
    icon->setPixmap(ApplicationImages::applicationIcon().pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    auto* name = new QLabel(QStringLiteral("Marbrel"), dialog);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignCenter);
    auto* version = new QLabel(QStringLiteral("Version %1").arg(QStringLiteral(MARBREL_VERSION)), dialog);
    version->setAlignment(Qt::AlignCenter);
    // The credits: the maker's name once, as a link to the maker's site, then an empty line.
    auto* credits = new QLabel(dialog);
    credits->setObjectName(QStringLiteral("credits"));
    credits->setTextFormat(Qt::RichText);
    credits->setText(QStringLiteral("<a href=\"%1\">%2</a><br>")
                         .arg(QString::fromLatin1(kMakerAddress), QString::fromLatin1(kMakerName).toHtmlEscaped()));
    credits->setOpenExternalLinks(true);
    credits->setAlignment(Qt::AlignCenter);

    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(version);
    layout->addWidget(credits);
    panel_ = dialog;
  }
  panel_->show();
  panel_->raise();
  panel_->activateWindow();
}

}  // namespace marbrel
