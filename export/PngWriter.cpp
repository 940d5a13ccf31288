#include "export/PngWriter.h"

#include "files/WholeFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace {

QString Num(double v) { return QString::number(v, 'g', 17); }
QString Num(float v) { return QString::number(double(v), 'g', 9); }

}  // namespace

TPngTexts PngTextsOf(const ProgramState& s)
{
    const TFractalParams& p = s.FractalParams;
    const auto level = [](int r, int g, int b) { return QStringLiteral("%1,%2,%3").arg(r).arg(g).arg(b); };
    return {
        {QStringLiteral("Formula"), QString::number(p.FormulaKind)},
        {QStringLiteral("Palette"), QString::number(p.PaletteKind)},
        {QStringLiteral("C"), Num(p.Cx) + QLatin1Char(',') + Num(p.Cy)},
        {QStringLiteral("Centre"), Num(p.CenterX) + QLatin1Char(',') + Num(p.CenterY)},
        {QStringLiteral("Width"), Num(p.ViewWidth)},
        {QStringLiteral("Levels"), level(p.R0, p.G0, p.B0) + QLatin1Char(';') + level(p.R1, p.G1, p.B1)},
        {QStringLiteral("Depth"), QString::number(s.GetIterationLimit() + 2)},
        {QStringLiteral("Software"), QStringLiteral("quilmora-render")},
    };
}

QByteArray EncodePng(const QImage& picture, const TPngTexts& texts)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(1);
    for (const auto& [key, value] : texts)
        writer.setText(key, value);
    if (!writer.write(picture))
        return {};
    return bytes;
}

bool WritePng(const QString& path, const QImage& picture, const TPngTexts& texts)
{
    const QByteArray bytes = EncodePng(picture, texts);
    return !bytes.isEmpty() && WriteFileWhole(path, bytes);
}
