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
    bool windowClosing = false;  // the window is going away: long runs stop at their next check
};

// The indicator shapes are the window's own widgets; it says how to fill one and what colour
// an unlit one takes (the system's scroll-bar colour).
struct ShapePainter {
    std::function<void(QWidget* shape, const QColor& colour)> fill;
    QColor neutral;
};

// The "Free Air" page's controls, found once by objectName. A missing control is a broken
// window, not a condition to handle.
struct CalibrationControls {
    explicit CalibrationControls(QWidget* form);

    QTabWidget* SSTab1;
    DataView* txtData;

    QScrollBar* sbCalLarge;
    QScrollBar* sbCalSmall;
    QLineEdit* tFACalV;
    QLabel* labCalV;
    QAbstractButton* btnL1H1;
    QAbstractButton* btn7057;
    QAbstractButton* btn6066;
    QAbstractButton* btnLast;
    QAbstractButton* btnUpdate;
    QAbstractButton* cmdManualFA;
    QWidget* frmManualFA;

    QAbstractButton* btnTrace;
    QAbstractButton* btnTraceStop;
    QWidget* shpCalUp;
    QWidget* shpCalDown;
    QWidget* shpCalLeft;
    QWidget* shpCalRight;
    QLabel* LabIpx;
    QLabel* LabAve;

    QLineEdit* TxtData0;
    QLineEdit* txtData1;
    QLineEdit* txtData2;
    QLineEdit* txtData3;
    QLineEdit* Text0;
    QLabel* tLogMode;

    QAbstractButton* btnAutoCal;
    QAbstractButton* btnCalAbort;
    QLabel* lAutoCount;
    QLabel* lautoInProgress;
    QLabel* lUpdateMsg;
};

// Text colour of a label.
void setTextColour(QLabel* label, const QColor& colour);
void setBold(QWidget* widget, bool bold);
