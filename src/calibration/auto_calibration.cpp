#include "calibration/auto_calibration.h"

#include <QAbstractButton>
#include <QLabel>

#include <cstdlib>

#include "calibration/auto_search_tables.h"
#include "calibration/calibration_chart_model.h"
#include "calibration/calibration_trace.h"
#include "calibration/free_air_controls.h"
#include "calibration/manual_calibration.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"

AutoCalibration::AutoCalibration(const PageContext& context, FreeAirControls& controls,
                                 CalibrationState& state, ManualCalibration& manual,
                                 CalibrationTrace& trace, CalibrationChartModel& chart,
                                 QObject* parent)
    : QObject(parent),
      m_context(context),
      m_controls(controls),
      m_state(state),
      m_manual(manual),
      m_trace(trace),
      m_chart(chart) {
    connect(m_controls.btnAutoCal, &QAbstractButton::clicked, this,
            &AutoCalibration::btnAutoCal_Click);
    connect(m_controls.btnCalAbort, &QAbstractButton::clicked, this,
            &AutoCalibration::btnCalAbort_Click);
}

void AutoCalibration::btnCalAbort_Click() {
    m_context.bAborted = true;
}

void AutoCalibration::btnAutoCal_Click() {
    m_controls.frmManualFA->show();
    // Disabled before the lock, so that the lock gives them back disabled.
    m_controls.btnUpdate->setEnabled(false);
    m_controls.btnAutoCal->setEnabled(false);
    // Chart? only changes what the data area shows: the run may be watched either way.
    m_lock.lock(m_controls.SSTab1, {m_controls.btnCalAbort, m_controls.chkChart});
    m_controls.btnCalAbort->show();
    setTextColour(m_controls.lautoInProgress, kRunning);
    m_controls.lUpdateMsg->hide();
    m_controls.lautoInProgress->setText(QStringLiteral("In Progress"));

    const Result result = search();
    m_chart.endRun();

    setBold(m_controls.labCalV, true);
    m_controls.lautoInProgress->clear();
    if (result == Result::NoReading) {
        m_context.status.msgError(
            QStringLiteral("Auto calibration stopped - no reading from the unit"));
    } else if (result == Result::Searched && m_state.IpxAverage == 0) {
        setTextColour(m_controls.lautoInProgress, kSuccess);
        m_controls.lautoInProgress->setText(QStringLiteral("Cal Value = ") +
                                            QString::number(m_manual.calValue()));
        m_controls.lUpdateMsg->show();
    }
    m_controls.btnUpdate->setEnabled(true);
    m_lock.unlock();
    m_controls.btnCalAbort->hide();
    m_controls.btnAutoCal->setEnabled(true);
}

AutoCalibration::Result AutoCalibration::search() {
    if (!m_state.bCalPointSet) {
        m_manual.btnLast_Click();  // whatever it achieves, the run goes on
    }
    m_context.link.TxString(UnitCommand::kCalAsciiMode);
    m_chart.beginRun(m_manual.calValue());

    // A trace without a sample (closed port, no start point, a silent unit) is no measurement:
    // the run must not step the value on it, nor call the old average a success.
    const CalibrationTrace::Outcome first = m_trace.TraceCommand(1);
    if (m_context.link.closing()) {
        return Result::Closing;
    }
    if (first.samples == 0 && first.end != CalibrationTrace::End::Aborted) {
        return Result::NoReading;
    }

    setBold(m_controls.labCalV, false);
    int loop = 0;
    do {
        m_controls.lAutoCount->setText(withSignPosition(loop));
        const CalibrationTrace::Outcome outcome =
            m_trace.TraceCommand(AutoSearch::samplesFor(m_state.IpxAverage));
        if (m_context.link.closing()) {
            return Result::Closing;
        }
        if (outcome.samples == 0 && outcome.end != CalibrationTrace::End::Aborted) {
            return Result::NoReading;
        }
        const int step = AutoSearch::stepFor(m_state.IpxAverage);
        m_manual.setCalValue(m_manual.calValue() + step);
        m_chart.addStep(m_manual.calValue());
        ++loop;
        if (loop >= AutoSearch::kMaxLoopTraces) {
            break;  // lAutoCount keeps the last number shown
        }
        m_controls.lAutoCount->clear();
    } while (std::abs(m_state.IpxAverage) >= 1);
    return Result::Searched;
}
