#include "app/Progress.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

TfrmProgress::TfrmProgress(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmProgress"));
    setModal(true);
    setFixedSize(581, 133);
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    Gauge1->setTextVisible(true);
    Gauge1->setGeometry(24, 64, 529, 17);
    lbInfo = new QLabel(this);
    lbInfo->setObjectName(QStringLiteral("lbInfo"));
    lbInfo->setGeometry(24, 40, 529, 20);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(244, 98, 81, 25);
    btnCancel->setDefault(true);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmProgress::btnCancelClick);
}

TfrmProgress::~TfrmProgress()
{
    // The worker's calls reach this window's controls: it must have ended.
    if (OutputWord) {
        OutputWord->WantToExit = true;
        if (OutputWord->isRunning())
            OutputWord->StopIt();
        OutputWord->wait();
    }
}

void TfrmProgress::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!Started) {
        Started = true;
        FormShow();
    }
}

void TfrmProgress::FormShow()
{
    if (!OutputWord) {
        Finished = true;
        done(ResultCancel);
        return;
    }
    OutputWord->FOnUpdate = [this](TOutputWord *worker) { Show(worker); };
    connect(OutputWord.get(), &QThread::finished, this, &TfrmProgress::ProgressFinished, Qt::QueuedConnection);
    OutputWord->start();
}

void TfrmProgress::Show(TOutputWord *worker)
{
    Gauge1->setValue(worker->position);
    lbInfo->setText(worker->info);
    if (worker->Chm2DocPDF->OK)
        btnCancel->setText(QStringLiteral("Close"));
}

void TfrmProgress::ProgressFinished()
{
    if (Finished)
        return;
    Finished = true;
    done(OutputWord->Chm2DocPDF->Failed ? ResultCancel : ResultOk);
}

void TfrmProgress::btnCancelClick()
{
    if (Closing)
        return;
    Closing = true;
    if (btnCancel->text() == QLatin1String("Cancel") && OutputWord && OutputWord->isRunning()) {
        btnCancel->setEnabled(false);
        try {
            OutputWord->StopIt();
        } catch (...) {
        }
    }
    done(ResultCancel);
    Closing = false;
}

void TfrmProgress::reject()
{
    // Esc acts as Cancel.
    btnCancelClick();
}

void TfrmProgress::closeEvent(QCloseEvent *event)
{
    // The close box acts as Cancel: the window never goes while the worker runs.
    event->ignore();
    btnCancelClick();
}
