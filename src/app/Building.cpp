#include "app/Building.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <cstdio>

namespace {
TfrmBuilding::OutputsFactory &Factory()
{
    static TfrmBuilding::OutputsFactory factory;
    return factory;
}
} // namespace

void TfrmBuilding::SetOutputsFactory(OutputsFactory factory)
{
    Factory() = std::move(factory);
}

TfrmBuilding::TfrmBuilding(TProject &project, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Building..."));
    setModal(true);
    resize(557, 98);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(56, 32, 44, 32);
    layout->setSizeConstraint(QLayout::SetNoConstraint); // the window keeps the size given here
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    layout->addWidget(ProgressBar1);
    lblNotes = new QLabel(this);
    lblNotes->setObjectName(QStringLiteral("lblNotes"));
    lblNotes->setWordWrap(true);
    lblNotes->hide();
    layout->addWidget(lblNotes);

    Build = std::make_unique<Tbuild>(project, Factory() ? Factory()(project) : nullptr);
    Build->FOnUpdate = [this](Tbuild *sender) { BuildUpdate(sender); };
    connect(Build.get(), &QThread::finished, this, &TfrmBuilding::BuildTerminate, Qt::QueuedConnection);
}

TfrmBuilding::~TfrmBuilding()
{
    // The worker's progress calls reach this window: it must end first.
    if (Build)
        Build->wait();
}

void TfrmBuilding::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The worker starts once the window is up, so that its first progress
    // call finds the modal loop running.
    if (!Started) {
        Started = true;
        Build->start();
    }
}

void TfrmBuilding::BuildUpdate(Tbuild *sender)
{
    ProgressBar1->setValue(sender->Position);
    // New notes go under the bar and to standard error, where a batch run's
    // caller sees them.
    if (sender->Notes.size() <= Notes.size())
        return;
    for (qsizetype i = Notes.size(); i < sender->Notes.size(); ++i)
        std::fprintf(stderr, "%s\n", sender->Notes.at(i).toUtf8().constData());
    std::fflush(stderr);
    Notes = sender->Notes;
    lblNotes->setText(Notes.join(QLatin1Char('\n')));
    lblNotes->show();
    resize(width(), 98 + lblNotes->heightForWidth(ProgressBar1->width()) + 8);
}

void TfrmBuilding::BuildTerminate()
{
    Finished = true;
    BuildUpdate(Build.get()); // notes of the build's last steps
    if (Build->Failed) {
        // The task's number and progress, then the message after what the
        // number stands for in words.
        static const char *const tasks[] = {"Before any output", "HTML Help", "WebHelp", "PDF"};
        const int task = Build->TaskType;
        const QString name = task >= 0 && task <= 3 ? QLatin1String(tasks[task]) : QStringLiteral("Unknown task");
        ErrorMsg = QStringLiteral("Error occured when building!\r\n\r\nTaskType: ") + QString::number(task)
            + QStringLiteral(" TaskPos: ") + QString::number(Build->Position - Build->TaskPos) + QStringLiteral("\r\n")
            + name + QStringLiteral(": ") + Build->ErrorMsg;
        done(ResultCancel);
    } else {
        done(ResultOk);
    }
}

void TfrmBuilding::reject()
{
    // A build cannot be cancelled: Escape does nothing while it runs.
    if (Finished)
        QDialog::reject();
}

void TfrmBuilding::closeEvent(QCloseEvent *event)
{
    if (!Finished)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
