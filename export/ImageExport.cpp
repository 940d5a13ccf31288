#include "export/ImageExport.h"

#include "export/BmpWriter.h"
#include "export/Supersample.h"

#include <QImage>

#include <cstdlib>

#include <sys/mman.h>

namespace {

// The picture's buffer in huge pages where the system gives them: a fresh
// buffer of several megabytes otherwise faults in page by page while the walk
// writes it, which costs more than the walk on a picture that is mostly
// interior. Null when there is no memory (or the size overflows).
QImage FreshPicture(int width, int height)
{
    constexpr size_t HugePage = size_t(2) << 20;
    const qsizetype bytesPerLine = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    size_t bytes = 0;
    if (width <= 0 || height <= 0 || width > (1 << 28) ||
        __builtin_mul_overflow(size_t(bytesPerLine), size_t(height), &bytes) || bytes > (size_t(1) << 46))
        return QImage(width, height, QImage::Format_BGR888);
    if (bytes < HugePage)
        return QImage(width, height, QImage::Format_BGR888);
    void* memory = std::aligned_alloc(HugePage, (bytes + HugePage - 1) / HugePage * HugePage);
    if (!memory)
        return {};
    madvise(memory, bytes, MADV_HUGEPAGE);
    return QImage(static_cast<uchar*>(memory), width, height, bytesPerLine, QImage::Format_BGR888,
                  [](void* p) { std::free(p); }, memory);
}

}  // namespace

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
    QImage picture = FreshPicture(v.Width, v.Height);
    if (picture.isNull())
        return TExportResult::NoMemory;
    const auto stopped = [&hooks] { return hooks.StopRequested && hooks.StopRequested(); };
    const auto atReport = [&](int row) {
        if (stopped())
            return false;
        if (hooks.Report)
            hooks.Report(row);
        return true;
    };
    bool done = false;
    if (v.Supersample > 1) {
        const TSupersampleResult r = WalkSupersampled(s, v.Supersample, picture, atReport, options);
        if (r == TSupersampleResult::NoMemory)
            return TExportResult::NoMemory;
        done = r == TSupersampleResult::Done;
    } else {
        done = RasterWalkBanded(s, ExportRaster(s, v), TargetOf(picture), atReport, options);
    }
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
