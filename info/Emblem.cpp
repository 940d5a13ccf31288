#include "info/Emblem.h"

#include "engine/Palette.h"
#include "engine/RasterWalk.h"

std::unique_ptr<ProgramState> EmblemState()
{
    // A little deeper than the main picture.
    auto s = std::make_unique<ProgramState>();
    s->FractalParams.Cx = -0.123;
    s->FractalParams.Cy = 0.745;
    s->FractalParams.ViewWidth = 2.5f;
    s->IterationLimit = 400;
    BuildColourTable(*s);
    SelectColourFunction(*s);
    return s;
}

QImage DrawEmblem(int side)
{
    const std::unique_ptr<ProgramState> s = EmblemState();
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::black);
    RasterWalkReference(*s, CentredRaster(*s, image.width(), image.height()), TargetOf(image));
    return image;
}
