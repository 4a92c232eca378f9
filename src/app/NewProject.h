#pragma once
// The new-project wizard: page 1 takes the folder and name of the project
// file, page 2 how the project's Word document is to be obtained. It only
// collects the values; the opener reads them after OK and does the work.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

class TfrmNewProject : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNewProject(QWidget *parent = nullptr);

    QLineEdit *edtProjectPosition = nullptr;
    QPushButton *Button1 = nullptr;
    QLineEdit *edtFilename = nullptr;
    QRadioButton *rb1 = nullptr;
    QRadioButton *rb2 = nullptr;
    QRadioButton *rb3 = nullptr;
    QPushButton *btnCancel = nullptr;
    QPushButton *btnBack = nullptr;
    QPushButton *btnNext = nullptr;
    QLabel *lbTitle = nullptr;
    QLabel *lbDescription = nullptr;
    QStackedWidget *PageControl1 = nullptr;

    // The shared handler of Back and Next: acts on the pressed button's tag.
    void btnBackClick(QPushButton *Sender);
    void Button1Click();

    // The project file that page 1 names: folder, separator, name, ".qvx".
    QString ProjectFile() const;

    // Without Cancel (a first project must be made) Escape and the close box do nothing.
    void reject() override;

private:
    void ShowHeader(int Page);
};
