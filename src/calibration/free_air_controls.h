#pragma once

#include <QColor>

#include <functional>

class DataView;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTabWidget;
class QWidget;

// What the three parts of the calibration share besides the controls: the start-point flag,
// the value last read back from the unit, and the last trace's average.
struct CalibrationState {
    bool bCalPointSet = false;
    int iLastCalValue = 0;  // 0: nothing read back (or a save since)
    int IpxAverage = 0;
};

// The indicator shapes are the window's own widgets; it says how to fill one and what colour
// an unlit one takes (the system's scroll-bar colour).
struct ShapePainter {
    std::function<void(QWidget* shape, const QColor& colour)> fill;
    QColor neutral;
};

// The "Free Air" page's controls, built once from the window's UI model.
struct FreeAirControls {
    QTabWidget* SSTab1 = nullptr;  // locked during the automatic search
    DataView* txtData = nullptr;   // the window's received-data area
    QWidget* txtDataWidget = nullptr;
    QAbstractButton* chkChart = nullptr;
    QWidget* picChart = nullptr;  // the chart's surface, laid over the data area while shown

    QScrollBar* sbCalLarge = nullptr;
    QScrollBar* sbCalSmall = nullptr;
    QLineEdit* tFACalV = nullptr;
    QLabel* labCalV = nullptr;
    QAbstractButton* btnL1H1 = nullptr;
    QAbstractButton* btn7057 = nullptr;
    QAbstractButton* btn6066 = nullptr;
    QAbstractButton* btnLast = nullptr;
    QAbstractButton* btnUpdate = nullptr;
    QAbstractButton* cmdManualFA = nullptr;
    QWidget* frmManualFA = nullptr;

    QAbstractButton* btnTrace = nullptr;
    QAbstractButton* btnTraceStop = nullptr;
    QWidget* shpCalUp = nullptr;
    QWidget* shpCalDown = nullptr;
    QWidget* shpCalLeft = nullptr;
    QWidget* shpCalRight = nullptr;
    QLabel* LabIpx = nullptr;
    QLabel* LabAve = nullptr;

    QLineEdit* TxtData0 = nullptr;
    QLineEdit* txtData1 = nullptr;
    QLineEdit* txtData2 = nullptr;
    QLineEdit* txtData3 = nullptr;
    QLineEdit* Text0 = nullptr;
    QLabel* tLogMode = nullptr;

    QAbstractButton* btnAutoCal = nullptr;
    QAbstractButton* btnCalAbort = nullptr;
    QLabel* lAutoCount = nullptr;
    QLabel* lautoInProgress = nullptr;
    QLabel* lUpdateMsg = nullptr;
};

// Text colour of a label.
void setTextColour(QLabel* label, const QColor& colour);
void setBold(QWidget* widget, bool bold);
