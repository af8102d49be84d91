#include "calibration/calibration_controls.h"
#include "common/find_control.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>

#include "common/data_view.h"

CalibrationControls::CalibrationControls(QWidget* form)
    : SSTab1(findControl<QTabWidget>(form, "SSTab1")),
      txtData(&findDataView(form, "txtData")),
      sbCalLarge(findControl<QScrollBar>(form, "sbCalLarge")),
      sbCalSmall(findControl<QScrollBar>(form, "sbCalSmall")),
      tFACalV(findControl<QLineEdit>(form, "tFACalV")),
      labCalV(findControl<QLabel>(form, "labCalV")),
      btnL1H1(findControl<QAbstractButton>(form, "btnL1H1")),
      btn7057(findControl<QAbstractButton>(form, "btn7057")),
      btn6066(findControl<QAbstractButton>(form, "btn6066")),
      btnLast(findControl<QAbstractButton>(form, "btnLast")),
      btnUpdate(findControl<QAbstractButton>(form, "btnUpdate")),
      cmdManualFA(findControl<QAbstractButton>(form, "cmdManualFA")),
      frmManualFA(findControl<QWidget>(form, "frmManualFA")),
      btnTrace(findControl<QAbstractButton>(form, "btnTrace")),
      btnTraceStop(findControl<QAbstractButton>(form, "btnTraceStop")),
      shpCalUp(findControl<QWidget>(form, "shpCalUp")),
      shpCalDown(findControl<QWidget>(form, "shpCalDown")),
      shpCalLeft(findControl<QWidget>(form, "shpCalLeft")),
      shpCalRight(findControl<QWidget>(form, "shpCalRight")),
      LabIpx(findControl<QLabel>(form, "LabIpx")),
      LabAve(findControl<QLabel>(form, "LabAve")),
      TxtData0(findControl<QLineEdit>(form, "TxtData0")),
      txtData1(findControl<QLineEdit>(form, "txtData1")),
      txtData2(findControl<QLineEdit>(form, "txtData2")),
      txtData3(findControl<QLineEdit>(form, "txtData3")),
      Text0(findControl<QLineEdit>(form, "Text0")),
      tLogMode(findControl<QLabel>(form, "tLogMode")),
      btnAutoCal(findControl<QAbstractButton>(form, "btnAutoCal")),
      btnCalAbort(findControl<QAbstractButton>(form, "btnCalAbort")),
      lAutoCount(findControl<QLabel>(form, "lAutoCount")),
      lautoInProgress(findControl<QLabel>(form, "lautoInProgress")),
      lUpdateMsg(findControl<QLabel>(form, "lUpdateMsg")) {}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

void setBold(QWidget* widget, bool bold) {
    QFont f = widget->font();
    f.setBold(bold);
    widget->setFont(f);
}
