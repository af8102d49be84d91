#pragma once

#include <QList>

// A piecewise-linear curve through points (x[k], y[k]): x rises strictly, y rises or falls and
// may stay flat for a while. Both directions of the ECU work are one question about such a
// curve: where does it reach a given y? (A table: at which lambda does it put out these volts;
// a lookup: at which volts does it read this mixture.)
namespace ecu {

struct Monotone {
    bool flat = false;   // y never changes: no inverse
    int turnsAt = -1;    // the point where y turns back, -1 when it never does
    bool rises = false;  // the direction y takes first
};
Monotone checkMonotone(const QList<double>& y);

// Where a curve reaches y = target, for a curve that neither turns nor is flat. A y held over a
// stretch of x gives the middle of the stretch, or its inner end when the stretch ends the curve
// (there the curve is only held at its end value, and its last real point is the inner one).
// A target beyond y's range gives an end of the curve: the inner end of a held stretch there,
// or its outer end (the first or last x).
enum class Beyond { InnerEnd, OuterEnd };
struct Reach {
    double x = 0;
    int beyond = 0;  // -1 below y's range, +1 above it, 0 inside
};
Reach reach(const QList<double>& x, const QList<double>& y, double target, Beyond beyond);

}  // namespace ecu
