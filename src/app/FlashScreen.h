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

// Hides the splash if it is still up: the start-up questions and the
// new-project wizard must not open underneath it.
void HideFlashScreen();

// The About box: product, version, copyright, web address and support mail.
void ShowAboutBox(QWidget *owner);
