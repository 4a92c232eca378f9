#pragma once
// The web view of the template chooser and editor. A template page comes
// from a package anyone may hand over with a project, so it is shown as a
// picture of the page only: no script of it runs, it reads nothing outside
// its own folder (real paths, after links) and it reaches no network.
#include <QMutex>
#include <QStringList>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

// Lets through the requests for files inside one folder (and data: URLs);
// refuses every other file, every remote address and every other scheme.
class TFolderRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    // The folder whose files may be read; empty refuses every file.
    void SetFolder(const QString &folder);
    bool Allows(const QUrl &url) const;
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
    // The addresses refused since the folder was last set.
    QStringList Refused() const;

private:
    mutable QMutex FMutex;
    QString FFolder; // canonical, without a trailing separator
    QStringList FRefused;
};

class TPagePreview : public QWebEngineView {
    Q_OBJECT
public:
    explicit TPagePreview(QWidget *parent = nullptr);
    ~TPagePreview() override;
    // Shows file; it and everything it refers to may be read from folder only.
    void ShowFile(const QString &file, const QString &folder);
    // The addresses the page asked for and did not get since the last ShowFile.
    QStringList Refused() const { return FFilter.Refused(); }

private:
    TFolderRequestFilter FFilter;
};
