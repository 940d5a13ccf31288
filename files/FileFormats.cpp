#include "FileFormats.h"

#include "Messages.h"
#include "Palette.h"
#include "Colouring.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cstring>

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

namespace {

// Sequential little-endian fields; a field the bytes do not hold in full is
// left as it was.
class TFieldReader {
public:
    explicit TFieldReader(const QByteArray& bytes) : Bytes(bytes) {}
    void Seek(qsizetype offset) { Pos = offset; }
    template <typename T>
    void Read(T& value)
    {
        if (Pos + qsizetype(sizeof(T)) <= Bytes.size()) {
            T raw;
            std::memcpy(&raw, Bytes.constData() + Pos, sizeof(T));
            value = qFromLittleEndian(raw);
        }
        Pos += sizeof(T);
    }

private:
    const QByteArray& Bytes;
    qsizetype Pos = 0;
};

class TFieldWriter {
public:
    template <typename T>
    TFieldWriter& operator<<(T value)
    {
        const T le = qToLittleEndian(value);
        Bytes.append(reinterpret_cast<const char*>(&le), sizeof(T));
        return *this;
    }
    QByteArray Bytes;
};

bool ReadWholeFile(const QString& path, qsizetype maxBytes, QByteArray& bytes)
{
    // Only regular files: a folder or a pipe of that name is not a fractal.
    if (!QFileInfo(path).isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.read(maxBytes);
    return true;
}

void WriteWholeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotWrite);
        return;
    }
    file.write(bytes);
    // A failed write (a full disk) is not passed off as saved; the old file stays.
    if (!file.commit())
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotWrite);
}

void ReadLevels(TFieldReader& in, TFractalParams& p)
{
    in.Read(p.R0);
    in.Read(p.G0);
    in.Read(p.B0);
    in.Read(p.R1);
    in.Read(p.G1);
    in.Read(p.B1);
}

}  // namespace

QByteArray EncodeFractal(const TFractalParams& p)
{
    TFieldWriter out;
    out << p.FormulaKind << p.PaletteKind << p.Cx << p.Cy << p.CenterX << p.CenterY << p.ViewWidth
        << p.R0 << p.G0 << p.B0 << p.R1 << p.G1 << p.B1;
    return out.Bytes;
}

QByteArray EncodePalette(const TFractalParams& p)
{
    TFieldWriter out;
    out << p.PaletteKind << p.R0 << p.G0 << p.B0 << p.R1 << p.G1 << p.B1;
    return out.Bytes;
}

void DecodeFractalInto(ProgramState& s, const QByteArray& bytes)
{
    TFractalParams& p = s.FractalParams;
    TFieldReader in(bytes);
    int32_t formulaKind = p.FormulaKind;
    int32_t paletteKind = p.PaletteKind;
    in.Read(formulaKind);
    in.Read(paletteKind);
    if (formulaKind != 1) {
        s.FileFormulaKnown = false;
        return;
    }
    s.FileFormulaKnown = true;
    p.FormulaKind = 1;
    SelectColourFunction(s);
    in.Read(p.Cx);
    in.Read(p.Cy);
    in.Read(p.CenterX);
    in.Read(p.CenterY);
    in.Read(p.ViewWidth);
    if (!s.ApplyFilePalette)
        return;
    if (paletteKind >= 1 && paletteKind <= 8) {
        s.FilePaletteKnown = true;
        p.PaletteKind = paletteKind;
        ReadLevels(in, p);
        BuildColourTable(s);
    } else {
        s.FilePaletteKnown = false;
    }
}

void DecodePaletteInto(ProgramState& s, const QByteArray& bytes)
{
    TFractalParams& p = s.FractalParams;
    TFieldReader in(bytes);
    int32_t paletteKind = p.PaletteKind;
    in.Read(paletteKind);
    if (paletteKind >= 1 && paletteKind <= 8) {
        s.FilePaletteKnown = true;
        p.PaletteKind = paletteKind;
        ReadLevels(in, p);
        BuildColourTable(s);
    } else {
        s.FilePaletteKnown = false;
    }
}

void ReadFractalFile(ProgramState& s)
{
    QByteArray bytes;
    if (!ReadWholeFile(s.FilePath, FractalFileSize, bytes)) {
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotRead);
        return;
    }
    DecodeFractalInto(s, bytes);
}

void WriteFractalFile(const ProgramState& s)
{
    WriteWholeFile(s.FilePath, EncodeFractal(s.FractalParams));
}

void ReadPaletteFile(ProgramState& s)
{
    QByteArray bytes;
    if (!ReadWholeFile(s.FilePath, PaletteFileSize, bytes)) {
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotRead);
        return;
    }
    DecodePaletteInto(s, bytes);
}

void WritePaletteFile(const ProgramState& s)
{
    WriteWholeFile(s.FilePath, EncodePalette(s.FractalParams));
}
