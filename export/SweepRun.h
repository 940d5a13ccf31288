#pragma once
// The frames of a C sweep: walked one after another on the calling thread
// (the fast walk spreads each frame over every core) while writer threads
// encode and write the frames before it, so the walk of frame n+1 overlaps
// the writes of frames n, n-1, ... The pictures come from a small ring and
// are reused: memory stays flat however long the sweep.

#include "engine/ProgramState.h"
#include "export/PngWriter.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

// Writes one frame's picture, whole file or nothing; false when it could not.
// Called on writer threads, several at once.
using TFrameWrite = std::function<bool(const QString& path, const QImage& picture, const TPngTexts& texts)>;

struct TSweepOptions {
    int Width = 0, Height = 0;
    int Supersample = 1;  // samples a side per pixel
    TFrameWrite Write;
    // Threads encoding and writing: -1 two more than there are cores, as
    // each spends part of its time waiting for the disk; 0 none, each frame
    // is then written on the calling thread right after its walk.
    int Writers = -1;
    // Added to the writer threads' niceness, so that the walk's threads run
    // first and the writers take what is left of the cores.
    int WriterNice = 0;
    // Called on the calling thread before the walk of frame n (from 0).
    std::function<void(int frame)> Starting;
};

enum class TSweepOutcome { Written, NoMemory, NotWritten };

struct TSweepResult {
    TSweepOutcome Outcome = TSweepOutcome::Written;
    QString FailedPath;  // NotWritten: the first frame found not written
    int Writers = 0, Pictures = 0;
    qint64 WallNs = 0;      // the whole sweep, until the last file is on disk
    qint64 WalkNs = 0;      // the calling thread in the walks
    qint64 HeldNs = 0;      // the calling thread held up by the writes
    qint64 WriteCpuNs = 0;  // CPU time of encoding and writing, all threads
    qint64 CpuNs = 0;       // CPU time of the whole process during the sweep
};

// Frame n gets C = cs[n] (the rest of the state as it is) and is written to
// paths[n]. Stops at the first frame that cannot be written: frames still
// queued are dropped, and every thread is joined before the return.
TSweepResult RunSweep(ProgramState& state, const std::vector<std::pair<double, double>>& cs,
                      const QStringList& paths, const TSweepOptions& options);
