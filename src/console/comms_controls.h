#pragma once

class DataView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Comms" page's console controls, built once from the window's UI model.
struct CommsControls {
    DataView* txtData = nullptr;  // the window's received-data area
    QLineEdit* txtCommand = nullptr;
    QCheckBox* chkHistory = nullptr;
    QCheckBox* chkKeepText = nullptr;
    QCheckBox* chkAutoCLS = nullptr;
    QPushButton* btnCls = nullptr;
    QLabel* lHistoryCount = nullptr;
    QComboBox* cboTraceCommand = nullptr;
    QComboBox* cboLogCommand = nullptr;
    QLineEdit* txtCmdParameter = nullptr;
    QPushButton* btnReDoCommand = nullptr;
    QPushButton* btnStartTrace = nullptr;
    QPushButton* btnStopTrace = nullptr;
    QPushButton* btnClearTrace = nullptr;
    QPushButton* btnCopyTrace = nullptr;
    QCheckBox* chkLogFile = nullptr;
    QLabel* lLogSize = nullptr;
    QPushButton* btnMark = nullptr;
};
