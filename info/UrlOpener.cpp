#include "info/UrlOpener.h"

#include <QDesktopServices>

#include <utility>

namespace {
TUrlOpener& Opener()
{
    static TUrlOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
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
