#pragma once
// The prompt of interactive runs: message boxes and file and folder dialogs
// shown as windows on the main thread (workers' questions are carried there
// by the prompt interface). AppPrompt adds the Open-file dialog that only the
// interface asks; AskOpenFileName gives no choice when the current prompt
// cannot show one (batch runs).
#include "platform/Prompt.h"

struct OpenFileRequest {
    QString caption;
    QString fileName;   // the file or folder shown first
    QString filter;     // ";;"-separated Qt filter
    QObject *owner = nullptr;
};

class AppPrompt : public Prompt {
public:
    virtual std::optional<QString> openFileName(const OpenFileRequest &request) = 0;
};

class WidgetPrompt : public AppPrompt {
public:
    PromptButton message(const MessageRequest &request) override;
    std::optional<QString> saveFileName(const SaveFileRequest &request) override;
    std::optional<QString> chooseFolder(const FolderRequest &request) override;
    std::optional<QString> openFileName(const OpenFileRequest &request) override;
};

// Asks through the current prompt when it is an AppPrompt; otherwise nothing
// is chosen. Main thread only.
std::optional<QString> AskOpenFileName(const OpenFileRequest &request);

class QWidget;

// Places a dialog that is about to be shown at the centre of its owner's
// window, or of the screen while that window has no place yet; Qt would put
// it at the corner of a main window that is not shown.
void CentreOnOwner(QWidget *dialog, QWidget *owner);

// The folder a picker starts in for path: path itself when it is a folder,
// else its nearest ancestor that exists (the home folder when none does);
// empty for an empty path.
// Pickers create no folders: a cancelled one leaves the disk as it was.
QString NearestExistingFolder(const QString &path);

// A Windows-style filter ("Name (*.a;*.b)|*.a;*.b|...") as a Qt filter.
QString QtFileFilter(const QString &windowsFilter);
