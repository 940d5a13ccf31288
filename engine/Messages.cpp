#include "engine/Messages.h"

#include <cstdio>
#include <utility>

// In this order: messages below are made from the addresses.
const QString ProgramTitle = QStringLiteral("Quilmora 1.02");
const QString HomePageAddress = QStringLiteral("https://quilmora.example.org");
const QString ContactAddress = QStringLiteral("qm@example.org");

const QString MsgUnknownError = QStringLiteral("Неизвестная ошибка");
const QString CaptionError = QStringLiteral("Ошибка:");
const QString MsgThreadFailed = QStringLiteral("Не удалось создать поток \n для расчета изображения");

const QString MsgCannotRead = QStringLiteral("Файл не удается открыть для чтения.");
const QString MsgCannotWrite = QStringLiteral("Файл не удается открыть для записи.");
const QString CaptionUnknownFractal = QStringLiteral("Открытие файла не возможно");
const QString MsgUnknownFractal =
    QStringLiteral("Тип фрактала неизвестен этой версии.\n Возможно, следует обновить версию со \n страницы программы - ") +
    HomePageAddress;
const QString CaptionFractalPaletteIgnored = QStringLiteral("Палитра фрактала проигнорирована");
const QString MsgFractalPaletteUnknown =
    QStringLiteral("Тип палитры неизвестен этой версии \n Возможно, следует обновить версию со \n страницы программы - ") +
    HomePageAddress;
const QString CaptionPaletteIgnored = QStringLiteral("Палитра проигнорирована");
const QString MsgPaletteUnknown =
    QStringLiteral("Тип палитры неизвестен этой версии.\n Возможно, следует обновить версию со \n страницы программы - ") +
    HomePageAddress;
const QString MsgPreviewUnknown = QStringLiteral("Неизвестный тип.");

const QString CaptionReplaceFile = QStringLiteral("Подтверждение замены файла");
const QString MsgReplaceFile = QStringLiteral("Файл с таким именем уже существует.\n Заменить существующий файл?");
const QString CaptionDeleteFile = QStringLiteral("Подтверждение удаления файла");
const QString MsgDeleteFile = QStringLiteral("Удалить выбранный файл?");
const QString CaptionDeleteFailed = QStringLiteral("Ошибка удаления файла");
const QString MsgDeleteFailed = QStringLiteral("Файл удалить не удалось");
const QString CaptionNameTaken = QStringLiteral("Предупреждение о совпадении");
const QString MsgNameTaken = QStringLiteral("Файл с таким именем уже существует.\n Выберите другое имя.");
const QString CaptionRenameFailed = QStringLiteral("Ошибка при переименовании");
const QString MsgRenameFailed = QStringLiteral("Не удалось переименовать файл.");

const QString MsgFolderNotFound = QStringLiteral("Папка не найдена:\n%1");
const QString MsgSizeNotListed = QStringLiteral("Разрешение «%1» не из списка.\n Выберите разрешение из списка.");
const QString MsgNoMemoryForPicture = QStringLiteral("Не хватает памяти для изображения\n%1");
const QString MsgPictureNotWritten = QStringLiteral("Не удалось записать файл\n%1");

const QString CaptionSlideShowError = QStringLiteral("Ошибка");
const QString MsgSlideListFailed = QStringLiteral("Не удалось создать список для показа.");
const QString MsgNoSlides = QStringLiteral("Не возможно выполнить команду.\n Нет ни одного фрактала для показа.");

const QString MsgNoDescription = QStringLiteral("В каталоге программы нет описания Quilmora. \n Скачайте оригинальный архив программы с ") +
                                 HomePageAddress + QLatin1Char('.');

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
