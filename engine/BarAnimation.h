#pragma once
// The C animation as a rule, without widgets: each component of C moves
// along its track bar (C = position x 0.001, positions within
// ±CoefTrackMax) by its speed a step, stops on an end and turns there. The
// window steps it from a timer; the headless renderer's bar sweeps step it
// frame by frame.

#include "engine/ProgramState.h"

#include <array>
#include <cstdint>
#include <vector>

// C for a track-bar position, and the position that shows C (truncated).
inline double CFromBar(int position) { return position * 0.001; }
inline int32_t BarFromC(double c) { return TruncToInt(c * 1000.0L); }

// One component's motion. Each direction keeps its own speed.
struct TBarMotion {
    bool StopRequest = false;
    bool UpRunning = false, DownRunning = false;
    int32_t UpSpeed = 1, DownSpeed = 1;

    bool& Running(bool up) { return up ? UpRunning : DownRunning; }
    int32_t& Speed(bool up) { return up ? UpSpeed : DownSpeed; }
};

class TBarAnimation {
public:
    enum { ComponentCx = 0, ComponentCy = 1 };
    TBarMotion Cx, Cy;

    TBarMotion& Of(int component) { return component == ComponentCx ? Cx : Cy; }
    // A press of Up or Down: the other component stops; a second press in
    // the running direction adds one to its speed, a press the other way
    // reverses at speed 1.
    void Press(int component, bool up);
    // Both components stop at their next step.
    void RequestStop() { Cx.StopRequest = Cy.StopRequest = true; }
    bool Running() const;

    // The running component (Cx first) and the position its bar moves to;
    // a step that stops or turns at an end leaves it where it is.
    // Component -1: nothing runs.
    struct TStep {
        int Component = -1;
        int Position = 0;
    };
    TStep Step(int cxPosition, int cyPosition);

private:
    void StopComponent(int component);
};

// The positions a bar shows frame by frame when the animation runs from
// 'start' at 'speed' positions a step (its sign the direction): each frame a
// move, a turn at an end taking no frame of its own.
std::vector<int> BarSweep(int start, int speed, int frames);
