#include "ecu/monotone_curve.h"

#include <algorithm>

namespace ecu {

Monotone checkMonotone(const QList<double>& y) {
    Monotone m;
    int direction = 0;
    for (qsizetype k = 1; k < y.size(); ++k) {
        const int step = y[k] > y[k - 1] ? 1 : y[k] < y[k - 1] ? -1 : 0;
        if (direction == 0) {
            direction = step;
        } else if (step == -direction) {
            m.turnsAt = static_cast<int>(k - 1);  // the last point before it goes back
            break;
        }
    }
    m.flat = direction == 0;
    m.rises = direction > 0;
    return m;
}

Reach reach(const QList<double>& x, const QList<double>& y, double target, Beyond beyond) {
    // Turned so that y rises; a falling curve is the rising one of -y.
    const double sign = y.last() >= y.first() ? 1.0 : -1.0;
    QList<double> up(y.size());
    std::transform(y.begin(), y.end(), up.begin(), [sign](double v) { return sign * v; });
    const double t = sign * target;
    const qsizetype n = up.size();
    const auto lo = std::lower_bound(up.begin(), up.end(), t) - up.begin();
    const auto hi = std::upper_bound(up.begin(), up.end(), t) - up.begin();
    // The ends of the stretches held at the lowest and the highest y.
    const qsizetype lowInner = std::upper_bound(up.begin(), up.end(), up.first()) - up.begin() - 1;
    const qsizetype highInner = std::lower_bound(up.begin(), up.end(), up.last()) - up.begin();
    const bool outer = beyond == Beyond::OuterEnd;
    if (hi == 0) {
        return {outer ? x.first() : x[lowInner], sign > 0 ? -1 : 1};
    }
    if (lo == n) {
        return {outer ? x.last() : x[highInner], sign > 0 ? 1 : -1};
    }
    if (lo < hi) {  // held at the target from point lo to point hi - 1
        if (lo == 0) {
            return {x[hi - 1], 0};
        }
        if (hi == n) {
            return {x[lo], 0};
        }
        return {(x[lo] + x[hi - 1]) / 2, 0};
    }
    const double f = (t - up[lo - 1]) / (up[lo] - up[lo - 1]);
    return {x[lo - 1] + (x[lo] - x[lo - 1]) * f, 0};
}

}  // namespace ecu
