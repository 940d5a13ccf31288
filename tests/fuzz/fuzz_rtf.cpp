// Rich-text bytes through the reader, as they come and behind an RTF header:
// no crash, no hang, the document within the reader's bound.

#include "info/RtfReader.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // QTextDocument's fonts need an application.
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QGuiApplication(argc, argv);
    }();
    static_cast<void>(app);

    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& input : {bytes, QByteArray("{\\rtf1\\ansi\\ansicpg1251 ") + bytes}) {
        QTextDocument doc;
        ReadRtf(input, doc);
        if (doc.characterCount() > RtfMaxCharacters + 1)
            std::abort();
    }
    return 0;
}
