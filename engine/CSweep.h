#pragma once
// Values of C for animations written frame by frame: equal steps between two
// values, or the window's own track-bar animation of one component.

#include <utility>
#include <vector>

constexpr int SweepBarMin = -2000, SweepBarMax = 2000;  // track-bar positions, C = position x 0.001

// 'frames' values from c1 to c2 in equal steps, both ends exact.
std::vector<std::pair<double, double>> EvenSweep(std::pair<double, double> c1, std::pair<double, double> c2,
                                                 int frames);

// The track-bar positions the window shows, one per frame, from 'start'
// moving by 'speed' (its sign the direction): a move past an end stops on
// it, and the next turn reverses at the same speed without moving.
std::vector<int> BarSweep(int start, int speed, int frames);
