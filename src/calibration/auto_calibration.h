#pragma once

#include <QColor>
#include <QObject>

#include "calibration/page_lock.h"
#include "common/page_context.h"

class CalibrationChartModel;
class CalibrationTrace;
class ManualCalibration;
struct FreeAirControls;
struct CalibrationState;

// The automatic search: traces alternate with steps of the calibration value until the
// average is exactly on target, or the loop's traces are used up. The result is only shown;
// saving it is left to the user's Update.
class AutoCalibration : public QObject {
    Q_OBJECT
  public:
    static inline const QColor kRunning{255, 0, 0};
    static inline const QColor kSuccess{0, 128, 0};

    AutoCalibration(const PageContext& context, FreeAirControls& controls, CalibrationState& state,
                    ManualCalibration& manual, CalibrationTrace& trace,
                    CalibrationChartModel& chart, QObject* parent = nullptr);

    void btnAutoCal_Click();
    void btnCalAbort_Click();

    bool isRunning() const { return m_lock.isLocked(); }

  private:
    enum class Result { Searched, NoReading, Closing };
    Result search();

    PageContext m_context;
    FreeAirControls& m_controls;
    CalibrationState& m_state;
    ManualCalibration& m_manual;
    CalibrationTrace& m_trace;
    CalibrationChartModel& m_chart;
    PageLock m_lock;
};
