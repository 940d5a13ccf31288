#pragma once
// The files of one slide show: the ".frc" entries of the fractals folder in
// a ring, and the choice of the next slide. Widget-free.

#include "engine/ProgramState.h"

#include <QString>
#include <QStringList>

#include <memory>

class TSlideList {
public:
    // Makes 'folder' current (a failure leaves the current folder as it is)
    // and lists "*.frc" there, folders whose names match included. Names are
    // relative to the current folder.
    explicit TSlideList(const QString& folder);

    // Null when the list cannot be built.
    static std::unique_ptr<TSlideList> Create(const QString& folder);
    // Tests only: Create fails.
    static bool FailsForTests;

    int Count() const { return int(Names.size()); }
    // The name at the cursor; the cursor moves on round the ring.
    QString NextName();

private:
    QStringList Names;
    int Cursor = 0;
};

// The interval of the slide timer: the stored delay in seconds, held to
// 1..20 s so a stray settings value neither overflows nor stalls the show.
int SlideInterval(int32_t slideDelay);

// Sets FilePath to the next slide (sequential, or n = rand() mod Count places
// on in random order) and reads it; a file that cannot be read shows the
// reader's message and leaves the state as it was.
void LoadNextSlide(ProgramState& s, TSlideList& slideFiles);

// The slide at the bitmap's size through the shared raster walk: step
// float(ViewWidth / width), anchor at width / 2, height / 2.
void RenderSlide(const ProgramState& s, QImage& slideBitmap);
