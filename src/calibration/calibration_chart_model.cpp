#include "calibration/calibration_chart_model.h"

#include <cmath>

#include "calibration/ipx_trace.h"

void CalibrationChartModel::beginTrace(int countMax) {
    if (!m_inRun) {
        m_samples.clear();
        m_traceStarts.clear();
        m_steps.clear();
    }
    m_note.clear();
    m_traceStarts.append(m_samples.size());
    m_extent = m_samples.size() + std::max(countMax, 1);
    notify();
}

void CalibrationChartModel::addSample(int ipx, int ipxAverage) {
    m_samples.append({ipx, ipxAverage + IpxTrace::kTarget});
    notify();
}

void CalibrationChartModel::setNote(const QString& note) {
    m_note = note;
    notify();
}

void CalibrationChartModel::beginRun(int calValue) {
    m_samples.clear();
    m_traceStarts.clear();
    m_steps = {{0, calValue}};
    m_note.clear();
    m_extent = 0;
    m_inRun = true;
    notify();
}

void CalibrationChartModel::addStep(int calValue) {
    if (m_inRun) {
        m_steps.append({m_samples.size(), calValue});
        notify();
    }
}

void CalibrationChartModel::endRun() {
    m_inRun = false;
    notify();
}

CalibrationChartModel::Range CalibrationChartModel::ipxRange() const {
    Range r{IpxTrace::kTarget, IpxTrace::kTarget};
    for (const Sample& s : m_samples) {
        r.low = std::min({r.low, s.ipx, s.average});
        r.high = std::max({r.high, s.ipx, s.average});
    }
    return r;
}

CalibrationChartModel::Range CalibrationChartModel::valueRange() const {
    if (m_steps.isEmpty()) {
        return {1, 0};
    }
    Range r{m_steps.first().value, m_steps.first().value};
    for (const Step& s : m_steps) {
        r.low = std::min(r.low, s.value);
        r.high = std::max(r.high, s.value);
    }
    return r;
}

void CalibrationChartModel::notify() const {
    if (changed) {
        changed();
    }
}

ChartAxis niceAxis(double low, double high, int maxSteps) {
    maxSteps = std::max(maxSteps, 1);
    if (!std::isfinite(low) || !std::isfinite(high)) {
        return {};
    }
    if (!(high > low)) {  // one value: a span around it
        low -= 1;
        high += 1;
    }
    // Every value charted is a whole number: no step below 1.
    double power = std::max(1.0, std::pow(10.0, std::floor(std::log10((high - low) / maxSteps))));
    for (;; power *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            const double step = factor * power;
            const double from = std::floor(low / step) * step;
            const double to = std::ceil(high / step) * step;
            if ((to - from) / step <= maxSteps + 1e-9) {
                return {from, to, step};
            }
        }
    }
}
