#pragma once
// Values of C for animations written frame by frame in equal steps between
// two values (the window's own animation is BarSweep, engine/BarAnimation.h).

#include <utility>
#include <vector>

// 'frames' values from c1 to c2 in equal steps, both ends exact.
std::vector<std::pair<double, double>> EvenSweep(std::pair<double, double> c1, std::pair<double, double> c2,
                                                 int frames);
