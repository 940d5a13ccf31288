#include "engine/Messages.h"

#include <cstdio>
#include <utility>

const QString ProgramTitle = QStringLiteral("Quilmora 1.02");
const QString CaptionThreadFailed = QStringLiteral("Ошибка:");
const QString MsgThreadFailed = QStringLiteral("Не удалось создать поток \n для расчета изображения");
const QString HomePageAddress = QStringLiteral("https://quilmora.example.org");
const QString ContactAddress = QStringLiteral("qm@example.org");

namespace {
bool StderrHandler(TMessageKind, const QString& caption, const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
    return false;
}
TMessageHandler& Handler()
{
    static TMessageHandler handler = StderrHandler;
    return handler;
}
}  // namespace

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}

bool ShowMessage(TMessageKind kind, const QString& caption, const QString& text)
{
    return Handler() ? Handler()(kind, caption, text) : false;
}
