#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <functional>

// What the calibration chart shows, kept whether or not the chart is shown: every Ipx sample the
// last trace accepted with the running average after it, and during an automatic run the samples
// of all its traces and the calibration value each step set. The last trace stays until the next
// one begins.
class CalibrationChartModel {
  public:
    struct Sample {
        int ipx = 0;
        int average = 0;  // IpxAverage + the target, after this sample
    };
    // The calibration value in force from sample `at` on (the run's start value at 0).
    struct Step {
        qsizetype at = 0;
        int value = 0;
    };
    struct Range {
        int low = 0;
        int high = 0;
    };

    // A trace of countMax samples begins: on its own it replaces what was shown; within a run it
    // carries on after the run's earlier traces.
    void beginTrace(int countMax);
    void addSample(int ipx, int ipxAverage);
    // Why the trace ended early, when the data area would have said it.
    void setNote(const QString& note);

    // An automatic run from `calValue`: its traces and steps share one chart until endRun().
    void beginRun(int calValue);
    void addStep(int calValue);
    void endRun();

    const QList<Sample>& samples() const { return m_samples; }
    // Index of each trace's first sample: the average starts again there.
    const QList<qsizetype>& traceStarts() const { return m_traceStarts; }
    const QList<Step>& steps() const { return m_steps; }
    const QString& note() const { return m_note; }
    bool running() const { return m_inRun; }
    // Samples the horizontal axis must hold: those taken and those the trace still asks for.
    qsizetype extent() const { return std::max(m_extent, m_samples.size()); }
    // Ipx of the samples and averages, and the target; the steps' values (empty: low > high).
    Range ipxRange() const;
    Range valueRange() const;

    // Told after every change; the chart decides when to draw.
    std::function<void()> changed;

  private:
    void notify() const;

    QList<Sample> m_samples;
    QList<qsizetype> m_traceStarts;
    QList<Step> m_steps;
    QString m_note;
    qsizetype m_extent = 0;
    bool m_inRun = false;
};

// An axis from `low` or below to `high` or above in steps of 1, 2 or 5 times a power of ten
// (never below 1: every value charted is a whole number), with at most `maxSteps` steps.
struct ChartAxis {
    double low = 0;
    double high = 1;
    double step = 1;
};
ChartAxis niceAxis(double low, double high, int maxSteps);
