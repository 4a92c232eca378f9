#include "app/FlashScreen.h"

#include "foundation/basicinfo.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QLabel>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

TfrmFlashScreen::TfrmFlashScreen(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmFlashScreen"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x2B, 0x4C, 0x7E));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 32, 32, 24);
    auto *name = new QLabel(ProductName, this);
    QFont big = name->font();
    big.setPointSize(28);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(name);
    layout->addStretch();
    lbVersion = new QLabel(QStringLiteral("Ver: ") + ProductVersion, this);
    lbCopyright = new QLabel(ProductCopyright, this);
    layout->addWidget(lbVersion);
    layout->addWidget(lbCopyright);
    setFixedSize(420, 240);
    if (const QScreen *screen = this->screen())
        move(screen->geometry().center() - rect().center());
}

void HideFlashScreen()
{
    for (QWidget *window : QApplication::topLevelWidgets())
        if (qobject_cast<TfrmFlashScreen *>(window) && window->isVisible())
            window->hide();
}

void ShowAboutBox(QWidget *owner)
{
    QDialog box(owner);
    box.setWindowTitle(QStringLiteral("About ") + ProductName);
    auto *layout = new QVBoxLayout(&box);
    layout->addWidget(new QLabel(ProductName + QLatin1Char(' ') + ProductVersion, &box));
    layout->addWidget(new QLabel(ProductCopyright, &box));
    auto *warning = new QLabel(QStringLiteral("This program is protected by copyright law. Copying or distributing it, "
                                              "or any part of it, without permission is not allowed."),
                               &box);
    warning->setWordWrap(true);
    layout->addWidget(warning);
    auto *web = new QLabel(QStringLiteral("<a href=\"%1\">%1</a>").arg(ProductWebAddress.toHtmlEscaped()), &box);
    auto *mail = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(ProductSupportMail.toHtmlEscaped()), &box);
    for (QLabel *link : {web, mail}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        QObject::connect(link, &QLabel::linkActivated, link, [](const QString &url) { QDesktopServices::openUrl(QUrl(url)); });
        layout->addWidget(link);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    layout->addWidget(buttons);
    box.exec();
}
