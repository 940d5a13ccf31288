#pragma once
// Opens a web address, a mailto: address or a local file with the user's own
// programs, behind one replaceable opener (tests record the addresses).

#include <QUrl>

#include <functional>

using TUrlOpener = std::function<void(const QUrl& url)>;

// Installs the opener; returns the previous one. The default one hands the
// address to the desktop; its failures are not reported, neither by us nor
// by Qt's warnings, which it keeps off stderr meanwhile.
TUrlOpener SetUrlOpener(TUrlOpener opener);
void OpenUrl(const QUrl& url);
