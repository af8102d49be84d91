#pragma once

#include <array>

class DataView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QWidget;

// The "AFR Tables" page's table controls, built once from the window's UI model. Option groups
// and the mid-point boxes are arrays, indexed as their names are (oDorH(2) is oDorH[2]).
struct TablesControls {
    DataView* txtData = nullptr;       // the window's received-data area: listings
    QWidget* txtDataWidget = nullptr;  // the same area, which the graph covers
    QWidget* p1 = nullptr;             // the graph's drawing surface

    QComboBox* cboOutputPin = nullptr;
    QComboBox* cboEEdata = nullptr;

    QWidget* frmLinearParams = nullptr;
    std::array<QRadioButton*, 2> oAorL{};
    QLabel* lAFRs = nullptr;
    QLineEdit* tAFRs = nullptr;
    std::array<QRadioButton*, 3> oMidCount{};
    QLabel* lAFRorLambda = nullptr;
    QLabel* lMidPointLabel = nullptr;
    QLineEdit* tLrich = nullptr;
    QLineEdit* tVrich = nullptr;
    QLineEdit* tLlean = nullptr;
    QLineEdit* tVlean = nullptr;
    std::array<QLineEdit*, 2> tMidLambda{};
    std::array<QLineEdit*, 2> tMidVoltage{};
    QCheckBox* chkOverUnder = nullptr;
    QLineEdit* tVrUnder = nullptr;
    QLineEdit* tVlOver = nullptr;
    QPushButton* btnGenTable = nullptr;

    QWidget* frmAFRfile = nullptr;
    QLineEdit* txtAFRfilename = nullptr;
    DataView* txtAFRfileData = nullptr;
    QPushButton* cmdAFRfilename = nullptr;
    QPushButton* cmdPasteFile = nullptr;
    QPushButton* cmdCopyallFile = nullptr;
    QPushButton* cmdClearFile = nullptr;
    QPushButton* cmdGOfile = nullptr;
    QPushButton* cmdUseText = nullptr;

    std::array<QRadioButton*, 2> oIorA{};
    QListWidget* lstEETable = nullptr;
    QPushButton* btnExportAFR = nullptr;
    QPushButton* btnSaveTable = nullptr;
    QPushButton* btnExportEcu = nullptr;   // in the tab row, shown with the page
    QPushButton* btnOutputTest = nullptr;  // opens the output test, which the window owns
    std::array<QRadioButton*, 3> oDorH{};
    std::array<QRadioButton*, 2> oSensor{};
    QCheckBox* chkGraph = nullptr;
};
