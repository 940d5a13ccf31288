#include "slides/U_slidelist.h"

#include "engine/RasterWalk.h"
#include "files/FileBrowser.h"
#include "files/FileFormats.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <new>

bool TSlideList::FailsForTests = false;

TSlideList::TSlideList(const QString& folder)
{
    QDir::setCurrent(folder);  // a missing folder: the search runs where we are
    Names = ListFolder(QDir::currentPath(), QStringLiteral("*.frc"));
}

std::unique_ptr<TSlideList> TSlideList::Create(const QString& folder)
{
    if (FailsForTests)
        return nullptr;
    try {
        return std::make_unique<TSlideList>(folder);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

QString TSlideList::NextName()
{
    if (Names.isEmpty())
        return {};
    const QString name = Names[Cursor];
    Cursor = (Cursor + 1) % int(Names.size());
    return name;
}

int SlideInterval(int32_t slideDelay)
{
    return std::clamp(slideDelay, 1, 20) * 1000;
}

void LoadNextSlide(ProgramState& s, TSlideList& slideFiles)
{
    if (s.SlideRandomOrder == 0) {
        s.FilePath = slideFiles.NextName();
    } else {
        // glibc's rand(): never seeded, 31-bit non-negative values.
        const int n = slideFiles.Count() == 0 ? 0 : std::rand() % slideFiles.Count();
        for (int i = 0; i <= n; ++i)
            s.FilePath = slideFiles.NextName();
    }
    ReportRead(ReadFractalFile(s));
}

void RenderSlide(const ProgramState& s, QImage& slideBitmap)
{
    RasterWalk(s, CentredRaster(s, slideBitmap.width(), slideBitmap.height()), TargetOf(slideBitmap));
}
