/*
** The About box, laid out at fixed places in its 298 by 239 client area as
** a dialog of its time: a raised panel with the icon, name, version and
** web address, and the OK button centred below it.
*/
#include "wizard/aboutbox.h"

#include "wizard/artwork.h"
#include "wizard/vendor.h"
#include "widgets/UrlLabel.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace quillon::wizard;

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Quillon"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(298, 239);
    QFont boxFont(QStringLiteral("MS Sans Serif"));
    boxFont.setPointSize(8);
    setFont(boxFont);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Panel1->setGeometry(8, 8, 282, 185);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setPixmap(artwork::programIcon());
    ProgramIcon->setGeometry(14, 14, 32, 32);

    ProductName = new QLabel(QStringLiteral(" Quillon ISAPI Extension Expert"), Panel1);
    ProductName->setObjectName(QStringLiteral("ProductName"));
    QFont nameFont(QStringLiteral("Arial"));
    nameFont.setPointSize(10);
    nameFont.setBold(true);
    ProductName->setFont(nameFont);
    ProductName->setGeometry(54, 14, 220, 18);

    Version = new QLabel(QStringLiteral(" version 1.0"), Panel1);
    Version->setObjectName(QStringLiteral("Version"));
    Version->setGeometry(54, 34, 220, 16);

    auto *rule = new QFrame(Panel1);
    rule->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    rule->setGeometry(14, 62, 254, 2);

    auto *comments = new QLabel(QStringLiteral("Creates the project source of an ISAPI Extension DLL "
                                               "for Delphi 2.0 from your answers: request values, "
                                               "database browsing or inserting, header and footer HTML."),
                                Panel1);
    comments->setObjectName(QStringLiteral("Comments"));
    comments->setWordWrap(true);
    comments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    comments->setGeometry(14, 74, 254, 64);

    UrlLabel1 = new TUrlLabel(Panel1);
    UrlLabel1->setObjectName(QStringLiteral("UrlLabel1"));
    UrlLabel1->setText(QString::fromLatin1(kVendorWebAddress));
    UrlLabel1->setUrl(QString::fromLatin1(kVendorWebAddress));
    QFont urlFont(QStringLiteral("Arial"));
    urlFont.setPointSize(8);
    urlFont.setBold(true);
    urlFont.setUnderline(true);
    UrlLabel1->setFont(urlFont);
    UrlLabel1->setFontColor(QColor(0, 0, 255));
    UrlLabel1->setAlignment(Qt::AlignCenter);
    UrlLabel1->setGeometry(14, 152, 254, 18);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setGeometry(111, 203, 75, 25);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    /* Centred on the screen, as the dialog asks. */
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
