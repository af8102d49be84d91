#include "calibration/calibration_page.h"

#include <QEvent>
#include <QLabel>

#include "calibration/auto_calibration.h"
#include "calibration/calibration_trace.h"
#include "calibration/manual_calibration.h"

namespace {

const QColor kAverageColour{0, 128, 0};

}  // namespace

CalibrationPage::CalibrationPage(const PageContext& context, ShapePainter painter, QObject* parent)
    : QObject(parent),
      m_context(context),
      m_controls(context.form),
      m_manual(std::make_unique<ManualCalibration>(context, m_controls, m_state)),
      m_trace(std::make_unique<CalibrationTrace>(context, m_controls, m_state, std::move(painter))),
      m_auto(std::make_unique<AutoCalibration>(context, m_controls, m_state, *m_manual, *m_trace)) {
    setTextColour(m_controls.LabAve, kAverageColour);
    setBold(m_controls.LabAve, true);
    // Closing the window during a trace or a search must end it, not leave it running unseen.
    m_context.form->installEventFilter(this);
}

CalibrationPage::~CalibrationPage() = default;

void CalibrationPage::startUp() {
    m_state.iLastCalValue = 0;
}

bool CalibrationPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_context.form && event->type() == QEvent::Close) {
        m_state.windowClosing = true;
    }
    return QObject::eventFilter(watched, event);
}
