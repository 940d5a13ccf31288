#pragma once
// The renderer's command line: one table of options feeds both the parser and
// --help; the arguments become a settings record or one line of complaint.

#include <QString>
#include <QStringList>

#include <utility>

constexpr int MaxSide = 16384;
constexpr int MaxFrames = 100000;

// Exit statuses.
constexpr int ExitSkipped = 1;     // some inputs of a batch could not be used
constexpr int ExitBadInput = 2;    // bad arguments: nothing written
constexpr int ExitNotWritten = 3;  // a picture could not be made or written

enum class TRenderMode { Still, Batch, Sweep };

struct TRenderSettings {
    TRenderMode Mode = TRenderMode::Still;
    QStringList Inputs;
    QString Output;  // a still: a file name, "-" for standard output
    QString OutDir;  // a batch or a sweep
    bool Png = true;
    int Width = 1600, Height = 1200;
    int Depth = 256;
    int Supersample = 1;
    // A sweep: C from From to To in equal steps, or (Steps) the window's
    // animation of one component from bar position Start by Speed a frame.
    bool Steps = false;
    std::pair<double, double> From{}, To{};
    bool AlongX = true;
    int Start = 0, Speed = 0;
    int Frames = 0;
    int First = 0, Last = 0;  // the frames rendered, from 1; both 0 but in sweeps
    bool Verbose = false;

    bool operator==(const TRenderSettings&) const = default;
};

struct TParsedArguments {
    enum TAction { Render, Help, Version, Refuse };
    TAction Action = Render;
    TRenderSettings Settings;
    QString Error;  // Refuse: the line, without the program's name
};

// Fractal and palette files by their names: they end in .frc or .ptt, in
// any letter case.
bool IsFractalName(const QString& name);
bool IsPaletteName(const QString& name);

// The arguments after the program's name.
TParsedArguments ParseRenderArguments(const QStringList& arguments);

QString RenderHelpText();
QString RenderVersionText();  // "quilmora-render 1.02"
