#pragma once

#include <QObject>
#include <QString>

#include "common/page_context.h"

struct FreeAirControls;
struct CalibrationState;

// The calibration value and its way to the unit: sbCalLarge holds it, and every change of it,
// from whatever source, goes out at once as "s3c" and "s3b". Also the start points (presets
// and the value saved in the unit) and the save.
class ManualCalibration : public QObject {
    Q_OBJECT
  public:
    static constexpr int kPresetL1H1 = 3800;
    static constexpr int kPreset7057 = 3630;
    static constexpr int kPreset6066 = 3430;

    ManualCalibration(const PageContext& context, FreeAirControls& controls,
                      CalibrationState& state, QObject* parent = nullptr);

    int calValue() const;
    // Runs the change handling when the value differs; limited to the valid range.
    void setCalValue(int value);

    void sbCalLarge_Change(int value);
    void sbCalLarge_Scroll(int position);
    void sbCalSmall_Change(int value);
    void tFACalV_Change(const QString& text);
    // Enter (13) runs the typed-value entry; returns true when the key was consumed.
    bool tFACalV_KeyPress(int keyAscii);
    void tFACalV_LostFocus();
    void btnL1H1_Click();
    void btn7057_Click();
    void btn6066_Click();
    void SetCalPoint(int value);
    void btnLast_Click();
    void btnUpdate_Click();
    void cmdManualFA_Click();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void enterTypedValue();
    bool readSavedValue(int* value);

    PageContext m_context;
    FreeAirControls& m_controls;
    CalibrationState& m_state;
};
