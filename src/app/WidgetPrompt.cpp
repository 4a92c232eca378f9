#include "app/WidgetPrompt.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QScreen>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <algorithm>

namespace {

QWidget *OwnerWidget(QObject *owner)
{
    if (auto *widget = qobject_cast<QWidget *>(owner))
        return widget->window();
    return QApplication::activeWindow();
}

struct ButtonMap {
    PromptButton ours;
    QMessageBox::StandardButton theirs;
};

constexpr ButtonMap Buttons[] = {
    {ButtonOk, QMessageBox::Ok},       {ButtonCancel, QMessageBox::Cancel}, {ButtonYes, QMessageBox::Yes},
    {ButtonNo, QMessageBox::No},       {ButtonAbort, QMessageBox::Abort},   {ButtonRetry, QMessageBox::Retry},
    {ButtonIgnore, QMessageBox::Ignore},
};

QMessageBox::Icon IconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Error: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void CentreOnOwner(QWidget *dialog, QWidget *owner)
{
    QWidget *window = owner ? owner->window() : nullptr;
    QScreen *screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = window && (window->isVisible() || window->testAttribute(Qt::WA_Moved))
                           ? window->frameGeometry()
                           : screen->availableGeometry();
    if (dialog->layout())
        dialog->layout()->activate();
    // Grown to what its content needs, never shrunk below the size it was given.
    dialog->resize(dialog->size().expandedTo(dialog->sizeHint()));
    QRect placed(QPoint(), dialog->frameGeometry().size());
    placed.moveCenter(area.center());
    // Kept on the screen, title bar included.
    const QRect screenArea = screen->availableGeometry();
    placed.moveLeft(std::clamp(placed.left(), screenArea.left(), std::max(screenArea.left(), screenArea.right() - placed.width())));
    placed.moveTop(std::clamp(placed.top(), screenArea.top(), std::max(screenArea.top(), screenArea.bottom() - placed.height())));
    dialog->move(placed.topLeft());
}

QString NearestExistingFolder(const QString &path)
{
    if (path.trimmed().isEmpty())
        return QString();
    QString folder = QDir::cleanPath(QDir::fromNativeSeparators(path));
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder || parent == QLatin1String("."))
            folder.clear();
        else
            folder = parent;
    }
    return folder.isEmpty() ? QDir::homePath() : folder;
}

PromptButton WidgetPrompt::message(const MessageRequest &request)
{
    QMessageBox box(IconOf(request.kind),
                    request.caption.isEmpty() ? DefaultMessageCaption(request.kind) : request.caption,
                    request.text, QMessageBox::NoButton, OwnerWidget(request.owner));
    PromptButtons wanted = request.buttons ? request.buttons : PromptButtons(ButtonOk);
    PromptButton first = ButtonNone;
    for (const ButtonMap &b : Buttons) {
        if (!(wanted & b.ours))
            continue;
        QPushButton *button = box.addButton(b.theirs);
        if (first == ButtonNone)
            first = b.ours;
        if (b.ours == (request.defaultButton == ButtonNone ? first : request.defaultButton))
            box.setDefaultButton(button);
    }
    CentreOnOwner(&box, OwnerWidget(request.owner));
    box.exec();
    const QMessageBox::StandardButton pressed = box.standardButton(box.clickedButton());
    for (const ButtonMap &b : Buttons)
        if (b.theirs == pressed && (wanted & b.ours))
            return b.ours;
    // Closed without a button: the answer of Escape, Cancel or No where offered.
    if (wanted & ButtonCancel)
        return ButtonCancel;
    if (wanted & ButtonNo)
        return ButtonNo;
    if (wanted & ButtonAbort)
        return ButtonAbort;
    return first;
}

std::optional<QString> WidgetPrompt::saveFileName(const SaveFileRequest &request)
{
    QFileDialog dialog(OwnerWidget(request.owner), request.caption, request.fileName, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix.startsWith(QLatin1Char('.')) ? request.defaultSuffix.mid(1)
                                                                                  : request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> WidgetPrompt::chooseFolder(const FolderRequest &request)
{
    const QString chosen = QFileDialog::getExistingDirectory(OwnerWidget(request.owner), request.caption,
                                                             request.startFolder.isEmpty() ? request.rootFolder
                                                                                           : request.startFolder);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> WidgetPrompt::openFileName(const OpenFileRequest &request)
{
    const QString chosen =
        QFileDialog::getOpenFileName(OwnerWidget(request.owner), request.caption, request.fileName, request.filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> AskOpenFileName(const OpenFileRequest &request)
{
    if (auto prompt = std::dynamic_pointer_cast<AppPrompt>(CurrentPrompt()))
        return prompt->openFileName(request);
    return std::nullopt;
}

QString QtFileFilter(const QString &windowsFilter)
{
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The name often repeats the patterns in brackets; Qt reads the last
        // bracketed part as the patterns, so give it the clean list.
        const int open = name.lastIndexOf(QLatin1Char('('));
        if (open >= 0)
            name = name.left(open).trimmed();
        filters << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}
