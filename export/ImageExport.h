#pragma once
// The image export without windows: the geometry of a sized picture of the
// current view, its banded walk with report points, the atomic BMP write.
// The export window's worker and the headless renderer both run it.

#include "engine/FastWalk.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>

// What one export is given when it starts; nothing else of it changes.
struct TExportValues {
    QString Path;
    int32_t Width = 0, Height = 0;
    int32_t HalfWidth = 0, HalfHeight = 0;  // trunc(size x 0.5)
    float Step = 0.0f;                      // float(ViewWidth / Width)
    int32_t Priority = -1;                  // item of the priority list, -1 none
    int32_t Supersample = 1;                // samples a side per pixel (the renderer's anti-aliasing)
};

// Size, anchor and step of a width x height picture of the state's view.
TExportValues ExportGeometry(const ProgramState& s, int32_t width, int32_t height);
TRaster ExportRaster(const ProgramState& s, const TExportValues& v);

// The path the export writes for a chosen one: the file name cut before its
// first "." (whole when it has none), then ".bmp"; the folders stay whole.
QString ExportPathOf(const QString& chosen);

// 'path' shortened for a label 'maxWidth' wide: leading folders give way to
// ".../" until it fits or only the file name is left, never cut itself.
QString ShortenedPath(const QString& path, int maxWidth, const std::function<int(const QString&)>& widthOf);

enum class TExportResult { Saved, Stopped, WriteFailed, NoMemory };

struct TExportHooks {
    // Looked at after rows 20, 41, 62, ... and before the file is written.
    std::function<bool()> StopRequested;
    // Called at those rows unless stopped, with the row just finished.
    std::function<void(int32_t row)> Report;
    // Writes the finished picture instead of the BMP writer (PNG output).
    std::function<bool(const QImage& picture)> Write;
};

// Computes the picture and writes it to v.Path (whole file or nothing).
TExportResult RunExport(const ProgramState& s, const TExportValues& v, const TExportHooks& hooks,
                        const TFastWalkOptions& options = {});
