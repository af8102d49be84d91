#include "calibration/ipx_trace.h"

#include "link/hex_text.h"

namespace IpxTrace {

namespace {

constexpr qsizetype kFieldLength = 4;
constexpr qsizetype kFieldPitch = 5;  // four characters and one separator
constexpr int kBand = 1;              // -1..1 is on target
constexpr int kCoarse = 41;           // from here on the coarse indicator lights

}  // namespace

Line readLine(QStringView rx, qsizetype start) {
    const auto field = [rx, start](int index) {
        const qsizetype at = start + index * kFieldPitch;
        return at < rx.size() ? rx.mid(at, kFieldLength).toString() : QString();
    };
    Line line;
    line.ipxField = field(0);
    line.field1 = field(1);
    line.field2 = field(2);
    line.field3 = field(3);
    // A line shorter than its field runs into the line end, which is no hex digit.
    line.ipx = hexVal(line.ipxField);
    return line;
}

int average(qint64 sum, int samples) {
    const qint64 offset = sum - qint64{kTarget} * samples;
    qint64 quotient = offset / samples;
    qint64 remainder = offset % samples;  // takes the sign of offset
    if (remainder < 0) {
        --quotient;
        remainder += samples;
    }
    // Now offset = quotient x samples + remainder with 0 <= remainder < samples.
    const qint64 twice = 2 * remainder;
    if (twice > samples || (twice == samples && (quotient % 2 != 0))) {
        ++quotient;
    }
    return static_cast<int>(quotient);
}

Indicators indicatorsFor(int average, Indicators previous) {
    Indicators next;
    next.up = average > kBand;
    next.down = average < -kBand;
    if (average >= kCoarse) {
        next.left = true;
    } else if (average > kBand) {
        next.left = previous.left;
    }
    if (average <= -kCoarse) {
        next.right = true;
    } else if (average < -kBand) {
        next.right = previous.right;
    }
    return next;
}

}  // namespace IpxTrace
