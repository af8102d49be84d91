#include "calibration/calibration_controls.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabWidget>

#include "common/data_view.h"

namespace {

template <class T>
T* need(const QWidget* form, const char* name) {
    T* w = form->findChild<T*>(QLatin1String(name));
    if (!w) {
        qFatal("control %s missing from the window", name);
    }
    return w;
}

DataView* needDataView(const QWidget* form, const char* name) {
    auto* view = dynamic_cast<DataView*>(need<QWidget>(form, name));
    if (!view) {
        qFatal("control %s is no data area", name);
    }
    return view;
}

}  // namespace

CalibrationControls::CalibrationControls(QWidget* form)
    : SSTab1(need<QTabWidget>(form, "SSTab1")),
      txtData(needDataView(form, "txtData")),
      sbCalLarge(need<QScrollBar>(form, "sbCalLarge")),
      sbCalSmall(need<QScrollBar>(form, "sbCalSmall")),
      tFACalV(need<QLineEdit>(form, "tFACalV")),
      labCalV(need<QLabel>(form, "labCalV")),
      btnL1H1(need<QAbstractButton>(form, "btnL1H1")),
      btn7057(need<QAbstractButton>(form, "btn7057")),
      btn6066(need<QAbstractButton>(form, "btn6066")),
      btnLast(need<QAbstractButton>(form, "btnLast")),
      btnUpdate(need<QAbstractButton>(form, "btnUpdate")),
      cmdManualFA(need<QAbstractButton>(form, "cmdManualFA")),
      frmManualFA(need<QWidget>(form, "frmManualFA")),
      btnTrace(need<QAbstractButton>(form, "btnTrace")),
      btnTraceStop(need<QAbstractButton>(form, "btnTraceStop")),
      shpCalUp(need<QWidget>(form, "shpCalUp")),
      shpCalDown(need<QWidget>(form, "shpCalDown")),
      shpCalLeft(need<QWidget>(form, "shpCalLeft")),
      shpCalRight(need<QWidget>(form, "shpCalRight")),
      LabIpx(need<QLabel>(form, "LabIpx")),
      LabAve(need<QLabel>(form, "LabAve")),
      TxtData0(need<QLineEdit>(form, "TxtData0")),
      txtData1(need<QLineEdit>(form, "txtData1")),
      txtData2(need<QLineEdit>(form, "txtData2")),
      txtData3(need<QLineEdit>(form, "txtData3")),
      Text0(need<QLineEdit>(form, "Text0")),
      tLogMode(need<QLabel>(form, "tLogMode")),
      btnAutoCal(need<QAbstractButton>(form, "btnAutoCal")),
      btnCalAbort(need<QAbstractButton>(form, "btnCalAbort")),
      lAutoCount(need<QLabel>(form, "lAutoCount")),
      lautoInProgress(need<QLabel>(form, "lautoInProgress")),
      lUpdateMsg(need<QLabel>(form, "lUpdateMsg")) {}

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
