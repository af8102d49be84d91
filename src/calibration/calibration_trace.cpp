#include "calibration/calibration_trace.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

#include "common/data_view.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"

namespace {

constexpr int kSettleTicks = 2;  // the unit's first line needs a moment

}  // namespace

CalibrationTrace::CalibrationTrace(const PageContext& context, FreeAirControls& controls,
                                   CalibrationState& state, ShapePainter painter,
                                   CalibrationChartModel& chart, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_controls(controls),
      m_state(state),
      m_painter(std::move(painter)),
      m_chart(chart) {
    for (QWidget* shape : {m_controls.shpCalUp, m_controls.shpCalDown, m_controls.shpCalLeft,
                           m_controls.shpCalRight}) {
        m_painter.fill(shape, kStart);
    }
    connect(m_controls.btnTrace, &QAbstractButton::clicked, this,
            &CalibrationTrace::btnTrace_Click);
    connect(m_controls.btnTraceStop, &QAbstractButton::clicked, this,
            &CalibrationTrace::btnTraceStop_Click);
}

void CalibrationTrace::btnTrace_Click() {
    TraceCommand(kManualSamples);
}

void CalibrationTrace::btnTraceStop_Click() {
    m_context.bAborted = true;
}

bool CalibrationTrace::stopRequested() const {
    return m_context.bAborted || m_context.link.closing();
}

CalibrationTrace::Outcome CalibrationTrace::TraceCommand(int countMax) {
    DeviceLink& link = m_context.link;
    Outcome outcome;
    if (!link.isOpen()) {
        link.openError();
        return outcome;
    }
    if (!m_state.bCalPointSet) {
        m_context.status.msgError(QStringLiteral("Set the Calibration start point"));
        return outcome;
    }
    m_controls.Text0->clear();
    link.clearRxBuffer();
    m_chart.beginTrace(countMax);
    link.TxString(countMax <= 1 ? UnitCommand::kTraceOnce : UnitCommand::kTraceOn);
    link.wait_ticks(kSettleTicks);
    m_context.status.msgStatus(QStringLiteral("tracing .."));

    qsizetype next = 0;
    qint64 sum = 0;
    m_controls.btnTrace->hide();
    m_context.bAborted = false;

    outcome.end = End::Count;
    while (true) {
        // A handler that ran inside the wait (a reply wait) may have emptied the buffer; the
        // next line then starts at its beginning, never beyond its end.
        qsizetype start = next;
        const qsizetype lineEnd = link.waitForLine(&start, [this] { return stopRequested(); });
        if (stopRequested()) {
            outcome.end = End::Aborted;
            break;
        }
        if (lineEnd < 0) {
            // What stands at the line start is no complete line: not a sample.
            outcome.end = End::TimedOut;
            break;
        }
        const IpxTrace::Line line = IpxTrace::readLine(link.RxBuffer(), start);
        if (line.ipx >= 0) {
            m_controls.LabIpx->setText(withSignPosition(line.ipx));
            m_controls.TxtData0->setText(line.ipxField);
            m_controls.txtData1->setText(line.field1);
            m_controls.txtData2->setText(line.field2);
            m_controls.txtData3->setText(line.field3);
            sum += line.ipx;
            ++outcome.samples;
            m_context.status.msgStatus(QStringLiteral("Trace ") + QString::number(outcome.samples) +
                                       QStringLiteral(" (") + QString::number(countMax) +
                                       QLatin1Char(')'));
            m_state.IpxAverage = IpxTrace::average(sum, outcome.samples);
            m_indicators = IpxTrace::indicatorsFor(m_state.IpxAverage, m_indicators);
            showIndicators();
            m_controls.LabAve->setText(withSignPosition(m_state.IpxAverage));
            m_chart.addSample(line.ipx, m_state.IpxAverage);
        }
        next = lineEnd + 1;
        if (outcome.samples >= countMax) {
            break;
        }
    }

    m_controls.btnTrace->show();
    m_context.status.msgStatus(QStringLiteral("Trace Complete"));
    m_context.bAborted = false;
    if (outcome.end == End::TimedOut) {
        const QString timeout = QStringLiteral("Timeout occurred (Is the unit connected?)");
        m_controls.txtData->setText(timeout);
        m_chart.setNote(timeout);  // the data area may lie beneath the chart
    }
    if (countMax >= 2) {
        link.TxString(UnitCommand::kTraceOff);
        m_context.status.msgStatus(QStringLiteral("Trace Terminated"));
    }
    return outcome;
}

void CalibrationTrace::showIndicators() {
    const auto colour = [this](bool lit) { return lit ? kLit : m_painter.neutral; };
    m_painter.fill(m_controls.shpCalUp, colour(m_indicators.up));
    m_painter.fill(m_controls.shpCalDown, colour(m_indicators.down));
    m_painter.fill(m_controls.shpCalLeft, colour(m_indicators.left));
    m_painter.fill(m_controls.shpCalRight, colour(m_indicators.right));
}
