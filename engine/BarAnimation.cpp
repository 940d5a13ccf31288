#include "engine/BarAnimation.h"

#include <algorithm>
#include <cstdlib>

void TBarAnimation::StopComponent(int component)
{
    TBarMotion& k = Of(component);
    k.StopRequest = true;
    k.UpRunning = k.DownRunning = false;
    k.UpSpeed = k.DownSpeed = 1;
}

void TBarAnimation::Press(int component, bool up)
{
    StopComponent(1 - component);
    TBarMotion& k = Of(component);
    k.StopRequest = false;
    k.Running(!up) = false;
    k.Speed(!up) = 1;
    if (k.Running(up))
        ++k.Speed(up);
    else
        k.Running(up) = true;
}

bool TBarAnimation::Running() const
{
    return Cx.UpRunning || Cx.DownRunning || Cy.UpRunning || Cy.DownRunning;
}

TBarAnimation::TStep TBarAnimation::Step(int cxPosition, int cyPosition)
{
    const int component = Cx.UpRunning || Cx.DownRunning ? ComponentCx
                          : Cy.UpRunning || Cy.DownRunning ? ComponentCy
                                                           : -1;
    if (component < 0)
        return {};
    TBarMotion& k = Of(component);
    const int position = component == ComponentCx ? cxPosition : cyPosition;
    const bool up = k.UpRunning;
    const bool atEnd = up ? position >= CoefTrackMax : position <= -CoefTrackMax;
    if (k.StopRequest || atEnd) {
        k.Running(up) = false;
        if (k.StopRequest) {
            k.UpSpeed = k.DownSpeed = 1;
        } else {
            // Turn at the end at the speed it arrived with.
            k.Speed(!up) = k.Speed(up);
            k.Speed(up) = 1;
            Press(component, !up);
        }
        return {component, position};
    }
    return {component, std::clamp(position + (up ? k.Speed(up) : -k.Speed(up)), -CoefTrackMax, CoefTrackMax)};
}

std::vector<int> BarSweep(int start, int speed, int frames)
{
    std::vector<int> positions;
    if (frames <= 0)
        return positions;
    int position = std::clamp(start, -CoefTrackMax, CoefTrackMax);
    positions.push_back(position);
    TBarAnimation animation;
    for (int i = 0; i < std::abs(speed); ++i)
        animation.Press(TBarAnimation::ComponentCx, speed > 0);
    while (int(positions.size()) < frames && animation.Running()) {
        const int next = animation.Step(position, 0).Position;
        if (next != position)
            positions.push_back(position = next);
    }
    positions.resize(size_t(frames), position);  // speed 0: the bar stays
    return positions;
}
