#include "export/ImageExport.h"

#include "export/BmpWriter.h"

#include <QImage>

TExportValues ExportGeometry(const ProgramState& s, int32_t width, int32_t height)
{
    TExportValues v;
    const TRaster r = CentredRaster(s, width, height);
    v.Width = width;
    v.Height = height;
    v.HalfWidth = r.AnchorX;
    v.HalfHeight = r.AnchorY;
    v.Step = r.Step;
    return v;
}

TRaster ExportRaster(const ProgramState& s, const TExportValues& v)
{
    return {v.Width, v.Height, s.FractalParams.CenterX, s.FractalParams.CenterY, v.HalfWidth, v.HalfHeight,
            v.Step};
}

QString ExportPathOf(const QString& chosen)
{
    const qsizetype nameStart = chosen.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = chosen.indexOf(QLatin1Char('.'), nameStart);
    return (dot < 0 ? chosen : chosen.left(dot)) + QStringLiteral(".bmp");
}

QString ShortenedPath(const QString& path, int maxWidth, const std::function<int(const QString&)>& widthOf)
{
    const QString ellipsis = QStringLiteral(".../");
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    QString folder = path.left(nameStart);
    const QString name = path.mid(nameStart);
    while (!folder.isEmpty() && widthOf(folder + name) > maxWidth) {
        if (folder == QLatin1Char('/') + ellipsis) {
            folder = ellipsis;
            continue;
        }
        const bool rooted = folder.startsWith(QLatin1Char('/'));
        if (rooted)
            folder.remove(0, 1);
        if (folder.startsWith(ellipsis))
            folder.remove(0, ellipsis.size());
        const qsizetype slash = folder.indexOf(QLatin1Char('/'));
        folder = slash < 0 ? QString() : ellipsis + folder.mid(slash + 1);
        if (rooted)
            folder.prepend(QLatin1Char('/'));
    }
    return folder + name;
}

TExportResult RunExport(const ProgramState& s, const TExportValues& v, const TExportHooks& hooks,
                        const TFastWalkOptions& options)
{
    QImage picture(v.Width, v.Height, QImage::Format_BGR888);
    if (picture.isNull())
        return TExportResult::NoMemory;
    const auto stopped = [&hooks] { return hooks.StopRequested && hooks.StopRequested(); };
    const bool done = RasterWalkBanded(s, ExportRaster(s, v), TargetOf(picture), [&](int row) {
        if (stopped())
            return false;
        if (hooks.Report)
            hooks.Report(row);
        return true;
    }, options);
    // A stop that came after the last report point still writes nothing.
    if (!done || stopped())
        return TExportResult::Stopped;
    if (hooks.Write) {
        if (!hooks.Write(picture))
            return TExportResult::WriteFailed;
    } else if (!WriteBmp24(v.Path, picture.constBits(), picture.bytesPerLine(), v.Width, v.Height))
        return TExportResult::WriteFailed;
    return TExportResult::Saved;
}
