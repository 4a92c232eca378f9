#include "app/PagePreview.h"

#include "foundation/Paths.h"

#include <QMutexLocker>
#include <QWebEnginePage>
#include <QWebEngineSettings>

void TFolderRequestFilter::SetFolder(const QString &folder)
{
    const QMutexLocker lock(&FMutex);
    FFolder = folder.isEmpty() ? QString() : RealPath(folder);
    FRefused.clear();
}

bool TFolderRequestFilter::Allows(const QUrl &url) const
{
    const QString scheme = url.scheme().toLower();
    if (scheme == u"data" || url.toString() == u"about:blank")
        return true;
    if (scheme != u"file" || !url.host().isEmpty())
        return false;
    const QMutexLocker lock(&FMutex);
    if (FFolder.isEmpty())
        return false;
    return IsInsideFolder(url.toLocalFile(), FFolder);
}

void TFolderRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (Allows(info.requestUrl()))
        return;
    info.block(true);
    const QMutexLocker lock(&FMutex);
    FRefused << info.requestUrl().toString();
}

QStringList TFolderRequestFilter::Refused() const
{
    const QMutexLocker lock(&FMutex);
    return FRefused;
}

TPagePreview::TPagePreview(QWidget *parent) : QWebEngineView(parent)
{
    QWebEngineSettings *s = page()->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    page()->setUrlRequestInterceptor(&FFilter);
    setContextMenuPolicy(Qt::NoContextMenu); // no "view source", "save page" or "open in new window"
    setUrl(QUrl(QStringLiteral("about:blank")));
}

TPagePreview::~TPagePreview()
{
    // The page outlives this object's members: it must not ask a filter that is gone.
    page()->setUrlRequestInterceptor(nullptr);
}

void TPagePreview::ShowFile(const QString &file, const QString &folder)
{
    FFilter.SetFolder(folder);
    setUrl(QUrl::fromLocalFile(file));
}
