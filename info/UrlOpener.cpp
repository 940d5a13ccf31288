#include "info/UrlOpener.h"

#include <QDesktopServices>

#include <utility>

namespace {

QtMessageHandler& OuterHandler()
{
    static QtMessageHandler handler = nullptr;
    return handler;
}

// Qt's complaints while the desktop is asked ("Unable to detect a web
// browser ..." where none is set up): the program reports nothing then.
void Swallow(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg && OuterHandler())
        OuterHandler()(type, context, text);
}

void OpenQuietly(const QUrl& url)
{
    OuterHandler() = qInstallMessageHandler(Swallow);
    QDesktopServices::openUrl(url);
    qInstallMessageHandler(OuterHandler());
}

TUrlOpener& Opener()
{
    static TUrlOpener opener = OpenQuietly;
    return opener;
}

}  // namespace

TUrlOpener SetUrlOpener(TUrlOpener opener)
{
    return std::exchange(Opener(), std::move(opener));
}

void OpenUrl(const QUrl& url)
{
    if (Opener())
        Opener()(url);
}
