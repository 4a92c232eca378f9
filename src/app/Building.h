#pragma once
// The building window: a modal window without buttons or close box that
// starts the build worker when it is created and closes itself, with result
// OK or Cancel, when the worker ends.
#include "builder/build.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class TProject;

class TfrmBuilding : public QDialog {
    Q_OBJECT
public:
    // Result codes of exec(): the build finished, or it failed.
    enum { ResultOk = 1, ResultCancel = 2 };

    explicit TfrmBuilding(TProject &project, QWidget *parent = nullptr);
    ~TfrmBuilding() override;

    // Makes the outputs of every build from here on; null restores the real
    // converter and writers. Tests use it to run builds without the engine.
    using OutputsFactory = std::function<std::unique_ptr<TBuildOutputs>(TProject &)>;
    static void SetOutputsFactory(OutputsFactory factory);

    QProgressBar *ProgressBar1 = nullptr;
    QLabel *lblNotes = nullptr; // the build's notes, shown as they come
    QString ErrorMsg;
    QStringList Notes;          // the notes shown, kept after the build

    Tbuild *Worker() const { return Build.get(); }

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildUpdate(Tbuild *sender);
    void BuildTerminate();

    std::unique_ptr<Tbuild> Build;
    bool Started = false;
    bool Finished = false;
};
