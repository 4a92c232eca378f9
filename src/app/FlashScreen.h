#pragma once
// The splash window shown while the program starts: borderless, centred on
// the screen, showing the product name, version and copyright.
#include <QWidget>

class QLabel;

class TfrmFlashScreen : public QWidget {
    Q_OBJECT
public:
    explicit TfrmFlashScreen(QWidget *parent = nullptr);

    QLabel *lbVersion = nullptr;
    QLabel *lbCopyright = nullptr;
};

// The About box: product, version, copyright, web address and support mail.
void ShowAboutBox(QWidget *owner);
