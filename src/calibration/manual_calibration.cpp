#include "calibration/manual_calibration.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

#include "calibration/calibration_value.h"
#include "calibration/free_air_controls.h"
#include "common/data_view.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"

namespace {

constexpr int kKeyEnter = 13;
constexpr int kArrowStep = 10;
constexpr int kPageStep = 50;
constexpr int kSpinDown = 0;  // the spin's upper arrow
constexpr int kSpinRest = 1;
constexpr int kSpinUp = 2;  // the spin's lower arrow

}  // namespace

ManualCalibration::ManualCalibration(const PageContext& context, FreeAirControls& controls,
                                     CalibrationState& state, QObject* parent)
    : QObject(parent), m_context(context), m_controls(controls), m_state(state) {
    QScrollBar* large = m_controls.sbCalLarge;
    large->setRange(CalValue::kMin, CalValue::kMax);
    large->setSingleStep(kArrowStep);
    large->setPageStep(kPageStep);
    large->setValue(CalValue::kMin);
    // Dragging the thumb only shows the value; it is sent once, on release.
    large->setTracking(false);

    QScrollBar* spin = m_controls.sbCalSmall;
    spin->setRange(kSpinDown, kSpinUp);
    spin->setSingleStep(1);
    spin->setPageStep(1);
    spin->setValue(kSpinRest);

    connect(large, &QScrollBar::valueChanged, this, &ManualCalibration::sbCalLarge_Change);
    connect(large, &QScrollBar::sliderMoved, this, &ManualCalibration::sbCalLarge_Scroll);
    connect(spin, &QScrollBar::valueChanged, this, &ManualCalibration::sbCalSmall_Change);
    connect(m_controls.tFACalV, &QLineEdit::textChanged, this, &ManualCalibration::tFACalV_Change);
    m_controls.tFACalV->installEventFilter(this);
    // The scroll bars take no focus, so a click on them never ends the typing in tFACalV: enter
    // the typed value before their step applies, or the step would start from the old one.
    large->installEventFilter(this);
    spin->installEventFilter(this);

    connect(m_controls.btnL1H1, &QAbstractButton::clicked, this, &ManualCalibration::btnL1H1_Click);
    connect(m_controls.btn7057, &QAbstractButton::clicked, this, &ManualCalibration::btn7057_Click);
    connect(m_controls.btn6066, &QAbstractButton::clicked, this, &ManualCalibration::btn6066_Click);
    connect(m_controls.btnLast, &QAbstractButton::clicked, this, &ManualCalibration::btnLast_Click);
    connect(m_controls.btnUpdate, &QAbstractButton::clicked, this,
            &ManualCalibration::btnUpdate_Click);
    connect(m_controls.cmdManualFA, &QAbstractButton::clicked, this,
            &ManualCalibration::cmdManualFA_Click);
}

int ManualCalibration::calValue() const {
    return m_controls.sbCalLarge->value();
}

void ManualCalibration::setCalValue(int value) {
    // The scroll bar signals only a real change, so setting the same value sends nothing.
    m_controls.sbCalLarge->setValue(CalValue::clamp(value));
}

void ManualCalibration::sbCalLarge_Change(int value) {
    m_controls.tFACalV->setText(QString::number(value));
    m_controls.txtData1->setText(CalValue::plainHex(value));
    m_context.link.TxString(UnitCommand::setCalHigh(value));
    m_context.link.TxString(UnitCommand::setCalLow(value));
}

void ManualCalibration::sbCalLarge_Scroll(int position) {
    m_controls.tFACalV->setText(QString::number(position));
}

void ManualCalibration::sbCalSmall_Change(int value) {
    m_controls.Text0->setText(QString::number(value));
    if (value == kSpinUp) {
        setCalValue(calValue() + 1);
    } else if (value == kSpinDown) {
        setCalValue(calValue() - 1);
    }
    // Back to rest; that change only writes "1" into Text0.
    m_controls.sbCalSmall->setValue(kSpinRest);
}

void ManualCalibration::tFACalV_Change(const QString& text) {
    m_controls.labCalV->setText(text);
}

bool ManualCalibration::tFACalV_KeyPress(int keyAscii) {
    if (keyAscii != kKeyEnter) {
        return false;
    }
    enterTypedValue();
    return true;
}

void ManualCalibration::tFACalV_LostFocus() {
    enterTypedValue();
}

void ManualCalibration::enterTypedValue() {
    // The same value is no change: the text then stays as the user typed it.
    setCalValue(CalValue::fromTyped(m_controls.tFACalV->text()));
}

void ManualCalibration::btnL1H1_Click() {
    SetCalPoint(kPresetL1H1);
}

void ManualCalibration::btn7057_Click() {
    SetCalPoint(kPreset7057);
}

void ManualCalibration::btn6066_Click() {
    SetCalPoint(kPreset6066);
}

void ManualCalibration::SetCalPoint(int value) {
    setCalValue(value);
    m_state.bCalPointSet = true;
    m_context.status.msgStatus(QStringLiteral("Calibration point set to ") +
                               withSignPosition(value));
    m_controls.btnTrace->setEnabled(true);
    m_controls.btnUpdate->setEnabled(true);
}

bool ManualCalibration::readSavedValue(int* value) {
    DeviceLink& link = m_context.link;
    m_context.status.msgStatus(QStringLiteral("Reading current calibration Value ..."));
    m_controls.txtData->setText(QString());

    link.TxString(UnitCommand::kReadMode);
    const QString mode = CalValue::modeByteText(link.GetWord());
    m_controls.txtData3->setText(mode);
    m_controls.tLogMode->setText(QLatin1Char('$') + mode);
    if (link.bTimedOut()) {
        link.reportTimeout();
        return false;
    }

    link.TxString(UnitCommand::kSpeed05);
    m_controls.txtData1->setText(link.GetParameter());
    link.TxString(UnitCommand::kCalAsciiMode);
    m_controls.txtData1->setText(link.GetParameter());

    link.TxString(UnitCommand::kReadCalHigh);
    const int high = link.GetWord();
    m_controls.txtData->setText(CalValue::plainHex(high));
    link.TxString(UnitCommand::kReadCalLow);
    const int low = link.GetWord();
    m_controls.txtData2->setText(CalValue::plainHex(low));

    const CalValue::ReadBack read = CalValue::fromRegisters(high, low);
    m_controls.LabIpx->setText(CalValue::plainHex(read.value) + QStringLiteral(" (") +
                               QString::number(read.value) + QLatin1Char(')'));
    if (!read.valid) {
        m_context.status.msgError(QStringLiteral("Bad calibration value ") +
                                  QString::number(read.value));
        return false;
    }
    *value = read.value;
    return true;
}

void ManualCalibration::btnLast_Click() {
    // A kept value was checked when it was read; only 0 (nothing kept) asks the unit.
    int value = m_state.iLastCalValue;
    if (value == 0) {
        if (!m_context.link.isOpen()) {
            m_context.link.openError();
            return;
        }
        if (!readSavedValue(&value)) {
            return;
        }
    }
    // Whether or not this click talked to the unit: the last exchange must have been answered.
    if (m_context.link.bTimedOut()) {
        m_context.link.reportTimeout();
        return;
    }
    m_state.iLastCalValue = value;
    SetCalPoint(value);
}

void ManualCalibration::btnUpdate_Click() {
    DeviceLink& link = m_context.link;
    if (!link.isOpen()) {
        link.openError();
        return;
    }
    link.TxString(UnitCommand::kBinaryModeForSave);
    m_controls.Text0->setText(link.GetParameter());
    if (link.bTimedOut()) {
        link.reportTimeout();
        return;  // nothing saved
    }
    link.TxString(UnitCommand::kWriteCalibration);
    m_controls.btnTrace->setEnabled(false);
    m_controls.btnUpdate->setEnabled(false);
    m_state.iLastCalValue = 0;
}

void ManualCalibration::cmdManualFA_Click() {
    m_controls.frmManualFA->hide();
}

bool ManualCalibration::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_controls.sbCalLarge || watched == m_controls.sbCalSmall) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Wheel) &&
        m_controls.tFACalV->hasFocus()) {
        enterTypedValue();
    }
    if (watched == m_controls.tFACalV) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
                tFACalV_KeyPress(kKeyEnter)) {
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another program leaves the focus where it was: no entry then.
            if (static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason) {
                tFACalV_LostFocus();
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
