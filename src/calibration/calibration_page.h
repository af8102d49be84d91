#pragma once

#include <QObject>

#include <memory>

#include "calibration/calibration_chart_model.h"
#include "calibration/free_air_controls.h"
#include "common/page_context.h"

class AutoCalibration;
class CalibrationChart;
class CalibrationTrace;
class ManualCalibration;

// The "Free Air" page: the calibration value, the trace and the automatic search, sharing
// the page's controls and state. The window keeps one for its whole run.
class CalibrationPage : public QObject {
    Q_OBJECT
  public:
    CalibrationPage(const PageContext& context, const FreeAirControls& controls,
                    ShapePainter painter, QObject* parent = nullptr);
    ~CalibrationPage() override;

    // Start-up: nothing read back from the unit yet, and no start point to trace from or save.
    void startUp();

    ManualCalibration& manual() { return *m_manual; }
    CalibrationTrace& trace() { return *m_trace; }
    AutoCalibration& automatic() { return *m_auto; }
    CalibrationChart& chart() { return *m_chart; }
    const CalibrationChartModel& chartModel() const { return m_chartModel; }
    const CalibrationState& state() const { return m_state; }

  private:
    FreeAirControls m_controls;
    CalibrationState m_state;
    CalibrationChartModel m_chartModel;
    std::unique_ptr<CalibrationChart> m_chart;
    std::unique_ptr<ManualCalibration> m_manual;
    std::unique_ptr<CalibrationTrace> m_trace;
    std::unique_ptr<AutoCalibration> m_auto;
};
