#pragma once

// How the automatic calibration moves: the further the average lies from the target, the
// larger the step and the fewer samples the next trace takes.
namespace AutoSearch {

inline constexpr int kMaxLoopTraces = 26;

// Samples for the next trace, from the average of the previous one (its size only).
int samplesFor(int average);

// Change of the calibration value for an average. Not symmetric: above the target the largest
// step is -100, below it +200.
int stepFor(int average);

}  // namespace AutoSearch
