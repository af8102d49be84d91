#include "calibration/calibration_page.h"

#include <QAbstractButton>
#include <QLabel>

#include "calibration/auto_calibration.h"
#include "calibration/calibration_chart.h"
#include "calibration/calibration_trace.h"
#include "calibration/manual_calibration.h"

namespace {

const QColor kAverageColour{0, 128, 0};

}  // namespace

CalibrationPage::CalibrationPage(const PageContext& context, const FreeAirControls& controls,
                                 ShapePainter painter, QObject* parent)
    : QObject(parent),
      m_controls(controls),
      m_chart(std::make_unique<CalibrationChart>(m_controls.chkChart, m_controls.picChart,
                                                 m_controls.txtDataWidget, m_chartModel)),
      m_manual(std::make_unique<ManualCalibration>(context, m_controls, m_state)),
      m_trace(std::make_unique<CalibrationTrace>(context, m_controls, m_state, std::move(painter),
                                                 m_chartModel)),
      m_auto(std::make_unique<AutoCalibration>(context, m_controls, m_state, *m_manual, *m_trace,
                                               m_chartModel)) {
    setTextColour(m_controls.LabAve, kAverageColour);
    setBold(m_controls.LabAve, true);
}

CalibrationPage::~CalibrationPage() = default;

void CalibrationPage::startUp() {
    m_state.iLastCalValue = 0;
    m_controls.btnTrace->setEnabled(false);
    m_controls.btnUpdate->setEnabled(false);
}
