#pragma once
// The program's message boxes, behind one replaceable handler.

#include <QString>

#include <functional>

enum class TMessageKind { Plain, Warning, Error, Question };

// Returns true when a question was answered Yes (always false otherwise).
using TMessageHandler =
    std::function<bool(TMessageKind kind, const QString& caption, const QString& text)>;

// Installs the handler; returns the previous one.
TMessageHandler SetMessageHandler(TMessageHandler handler);
bool ShowMessage(TMessageKind kind, const QString& caption, const QString& text);

extern const QString ProgramTitle;  // "Quilmora 1.02"
// A calculation thread could not be made.
extern const QString CaptionThreadFailed, MsgThreadFailed;
extern const QString HomePageAddress;
extern const QString ContactAddress;  // a mail address
