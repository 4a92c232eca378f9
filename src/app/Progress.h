#pragma once
// The progress window of an import: it starts the import worker it is given,
// shows the worker's reports, and stops the worker when the user cancels
// (the Cancel button, the close box and Esc alike). It closes by itself when
// the worker ends, with result OK on success and Cancel on failure.
#include "chmimport/OutputWord.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;

class TfrmProgress : public QDialog {
    Q_OBJECT
public:
    enum { ResultOk = 1, ResultCancel = 2 };

    explicit TfrmProgress(QWidget *parent = nullptr);
    ~TfrmProgress() override;

    // The worker of this import, created suspended by the opener; owned.
    std::unique_ptr<TOutputWord> OutputWord;

    QProgressBar *Gauge1 = nullptr;
    QLabel *lbInfo = nullptr;
    QPushButton *btnCancel = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void FormShow();
    void btnCancelClick();
    void ProgressFinished();
    void Show(TOutputWord *worker);

    bool Started = false;
    bool Finished = false;
    bool Closing = false;
};
