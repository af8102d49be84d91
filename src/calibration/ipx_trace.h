#pragma once

#include <QString>
#include <QStringView>

// The arithmetic of a calibration trace: reading Ipx from the unit's trace lines, the running
// average against the free-air target, and which indicators that average lights.
namespace IpxTrace {

inline constexpr int kTarget = 8192;

// One trace line read by position: four 4-character fields at offsets 0, 5, 10 and 15 from the
// line's start. `ipx` is the first field as hex, -1 when it is none (the line is skipped).
struct Line {
    QString ipxField;
    QString field1;
    QString field2;
    QString field3;
    int ipx = -1;
};
Line readLine(QStringView rx, qsizetype start);

// Mean of the samples minus the target, to the nearest whole number with halves to even.
// Exact for any sum: no floating point on the way. `samples` must be 1 or more.
int average(qint64 sum, int samples);

// The four indicator shapes; true is lit.
struct Indicators {
    bool up = false;     // lower the value by single steps
    bool down = false;   // raise it by single steps
    bool left = false;   // lower it in coarse steps
    bool right = false;  // raise it in coarse steps
    bool operator==(const Indicators&) const = default;
};

// The indicators for a new average. A coarse indicator keeps its previous state while the
// average lies in 2..40 (left) or -40..-2 (right): it only goes out inside the target band.
Indicators indicatorsFor(int average, Indicators previous);

}  // namespace IpxTrace
