#pragma once
// The fast raster walk of SquareColour: the same float and double arithmetic
// as the per-pixel walk, pixels spread over vector lanes and over a pool of
// worker threads. Every picture it writes equals the reference walk's.

#include "engine/RasterWalk.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace quilmora {
class TWalkPool;
}

struct TFastWalkOptions {
    // Threads taking part, the caller included; 0 means one per core.
    int Threads = 0;
    // Vector target (a Highway target bit); 0 means the best the CPU has.
    int64_t Target = 0;
    // Helper threads to share the rows with; the program-wide pool when null.
    quilmora::TWalkPool* Pool = nullptr;
    // Shape of the vector kernel (0 .. FastWalkVariantCount() - 1); -1 means
    // the one FastWalkVariant picks.
    int Variant = -1;
    // The cycle check: 1 on, 0 off, -1 as the process and the picture say
    // (FastWalkUsesCycleCheck).
    int CycleCheck = -1;
    // When set, the iterations the walk's pixels took are added to it (an
    // escape at n counts n, a pixel that passed the limit limit + 1, a pixel
    // whose orbit closed the iterations up to the repeat).
    int64_t* IterationsDone = nullptr;
};

// The cycle check: an orbit whose iterate comes back, bit for bit, to an
// earlier one never escapes, so its pixel is interior at once. A walk checks
// where the picture has such orbits: where the orbit of 0, walked as a
// pixel's, closes before it escapes or passes the limit (C has an attracting
// cycle, whose basin is the interior). Elsewhere (no interior, a Siegel
// disk, a parabolic point, the limit too small) the check would find little
// and only cost. The environment variable QUILMORA_CYCLE_CHECK overrides
// this for the whole process: 0 never checks, 1 checks every picture.
bool FastWalkCycleCheck();  // false when QUILMORA_CYCLE_CHECK is 0
bool FastWalkOrbitsClose(const ProgramState& s);
bool FastWalkUsesCycleCheck(const ProgramState& s);

// Vector targets compiled in and supported by this CPU, best first.
std::vector<int64_t> FastWalkTargets();
const char* FastWalkTargetName(int64_t target);

// Shapes the kernel is compiled in for every target, named by slots in
// flight and pre-pass length ("slots8", "slots8-pre16").
int FastWalkVariantCount();
const char* FastWalkVariantName(int variant);
// The shape walks on 'target' (0: the best) take, with the cycle check on or
// off (-1: on unless QUILMORA_CYCLE_CHECK is 0): the one named by the environment
// variable QUILMORA_WALK_VARIANT, else the fastest on small calibration
// jobs, timed once per process at the first use on the walking thread.
// QUILMORA_WALK_VARIANT=reference instead makes every walk of the process the
// per-pixel reference walk, on the calling thread (for timings).
int FastWalkVariant(int64_t target, int cycleCheck = -1);
// Seconds that timing took (it runs now if it has not yet); 0 when forced.
double FastWalkCalibrationSeconds(int64_t target, int cycleCheck = -1);

// The walk of SquareColour over rows [rowBegin, rowEnd) (rowEnd -1: to the
// bottom), rows shared among the threads, columns among vector lanes. Any
// other colouring function (or a limit past the table) takes the reference
// walk. Safe to call from several threads at once.
void FastRasterWalk(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                    int rowBegin = 0, int rowEnd = -1, const TFastWalkOptions& options = {});

// Rows per report band of the long walks (export, headless renderer): after
// rows 20, 41, 62, ... the caller may report progress or stop.
constexpr int ReportBandRows = 21;

// Whole raster in bands of ReportBandRows rows. After each band that ends on a
// report row, atReport(lastRow) is called on the calling thread, in order,
// once every row up to lastRow is written; returning false stops the walk.
// The last, shorter band has no report point. Returns false when stopped.
// Uses the fast walk for SquareColour and the reference walk for any other
// colouring function. The fast walk does not wait at report points: its
// threads go on with the rows after a band while the band's last pixels
// iterate, so after a stop some later pixels may be written too (each one
// final); the reference walk writes nothing after the stop.
bool RasterWalkBanded(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                      const std::function<bool(int lastRow)>& atReport,
                      const TFastWalkOptions& options = {});
