#pragma once

#include <QObject>

#include "calibration/calibration_chart_model.h"
#include "calibration/free_air_controls.h"
#include "calibration/ipx_trace.h"
#include "common/page_context.h"

// The calibration trace: asks the unit for its trace lines, reads Ipx from each, keeps the
// running average IpxAverage and lights the indicators. Runs inside a click, letting window
// events run while it waits, so Stop and Abort are seen.
class CalibrationTrace : public QObject {
    Q_OBJECT
  public:
    static constexpr int kManualSamples = 500;
    static inline const QColor kLit{0, 240, 0};
    static inline const QColor kStart{192, 192, 192};

    enum class End { NotRun, Count, Aborted, TimedOut };
    struct Outcome {
        int samples = 0;
        End end = End::NotRun;
    };

    CalibrationTrace(const PageContext& context, FreeAirControls& controls, CalibrationState& state,
                     ShapePainter painter, CalibrationChartModel& chart, QObject* parent = nullptr);

    Outcome TraceCommand(int countMax);
    void btnTrace_Click();
    void btnTraceStop_Click();

    IpxTrace::Indicators indicators() const { return m_indicators; }

  private:
    bool stopRequested() const;
    void showIndicators();

    PageContext m_context;
    FreeAirControls& m_controls;
    CalibrationState& m_state;
    ShapePainter m_painter;
    CalibrationChartModel& m_chart;
    IpxTrace::Indicators m_indicators;
};
