#pragma once

class DataView;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

// The controls a programming run uses, built once from the window's UI model.
struct FlashControls {
    DataView* txtData = nullptr;  // the programming log
    QPushButton* btnFlashTable = nullptr;
    QPushButton* btnAbortFlash = nullptr;
    QPushButton* btnReadUnit = nullptr;
    QPushButton* btnCompare = nullptr;
    QPushButton* btnBackups = nullptr;  // disabled with the two above while the unit is busy
    QCheckBox* chkGraph = nullptr;      // turned off before a run
    QLabel* Label1 = nullptr;           // shows each command sent
    QProgressBar* prgFlash = nullptr;
    QLabel* lBootVersion = nullptr;  // the progress bar takes its place during a run
};
