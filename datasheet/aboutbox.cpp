#include "datasheet/aboutbox.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/icons.h"
#include "app/version.h"

namespace varnel {

TVN_AboutBox::TVN_AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("vn_AboutBox"));
  setWindowTitle(QStringLiteral("About Varnel"));
  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(8);
  // The picture without its version line: the version is shown once, below.
  auto* picture = new QLabel(this);
  picture->setPixmap(SplashPicture(QString()));
  picture->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture);
  AboutVersion = new QLabel(QStringLiteral("<b>Varnel</b> version ") + VersionString(), this);
  AboutVersion->setObjectName(QStringLiteral("AboutVersion"));
  AboutVersion->setAlignment(Qt::AlignCenter);
  layout->addWidget(AboutVersion);
  AboutText = new QLabel(QStringLiteral("Tables, triangular and tetrahedral diagrams, singular value "
                                        "decomposition and coordinate mapping of chemical analyses, for "
                                        "petrology and geochemistry.<br><a href=\"%1\">%1</a>")
                             .arg(QString::fromLatin1(HomePageUrl)),
                         this);
  AboutText->setWordWrap(true);
  AboutText->setAlignment(Qt::AlignCenter);
  AboutText->setOpenExternalLinks(true);
  AboutText->setMaximumWidth(picture->sizeHint().width());
  layout->addWidget(AboutText);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setCenterButtons(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace varnel
