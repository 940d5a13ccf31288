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
extern const QString HomePageAddress;
extern const QString ContactAddress;  // a mail address

// Every message the program shows, its caption beside it. "%1" stands for
// what QString::arg puts in.

// The program itself.
extern const QString MsgUnknownError;
extern const QString CaptionError;     // "Ошибка:"
extern const QString MsgThreadFailed;  // a calculation thread could not be made

// Files.
extern const QString MsgCannotRead;
extern const QString MsgCannotWrite;
extern const QString CaptionUnknownFractal, MsgUnknownFractal;
extern const QString CaptionFractalPaletteIgnored, MsgFractalPaletteUnknown;
extern const QString CaptionPaletteIgnored, MsgPaletteUnknown;
extern const QString MsgPreviewUnknown;  // in the preview, not a box

// The file dialogs.
extern const QString CaptionReplaceFile, MsgReplaceFile;
extern const QString CaptionDeleteFile, MsgDeleteFile;
extern const QString CaptionDeleteFailed, MsgDeleteFailed;
extern const QString CaptionNameTaken, MsgNameTaken;
extern const QString CaptionRenameFailed, MsgRenameFailed;

// The image export.
extern const QString MsgFolderNotFound;      // %1 the folder
extern const QString MsgSizeNotListed;       // %1 the size typed
extern const QString MsgNoMemoryForPicture;  // %1 the file
extern const QString MsgPictureNotWritten;   // %1 the file

// The slide show.
extern const QString CaptionSlideShowError, MsgSlideListFailed, MsgNoSlides;

// The description.
extern const QString MsgNoDescription;
