#include "engine/CSweep.h"

#include <algorithm>

std::vector<std::pair<double, double>> EvenSweep(std::pair<double, double> c1, std::pair<double, double> c2,
                                                 int frames)
{
    std::vector<std::pair<double, double>> cs;
    cs.reserve(std::max(frames, 0));
    for (int i = 0; i < frames; ++i) {
        if (i == frames - 1 && frames > 1) {
            cs.push_back(c2);
            break;
        }
        const double t = frames > 1 ? double(i) / double(frames - 1) : 0.0;
        cs.emplace_back(c1.first + (c2.first - c1.first) * t, c1.second + (c2.second - c1.second) * t);
    }
    return cs;
}
