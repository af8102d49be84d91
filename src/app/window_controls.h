#pragma once

class DataArea;
class QComboBox;
class QLabel;
class QTabWidget;
class QWidget;
class ShapeWidget;
class StatusText;

// The window's own controls and the port list, built once from the UI model.
struct WindowControls {
    QTabWidget* SSTab1 = nullptr;
    DataArea* txtData = nullptr;
    StatusText* labStat = nullptr;
    QLabel* lBootVersion = nullptr;
    QLabel* lTimer = nullptr;
    QComboBox* cboPort = nullptr;
    ShapeWidget* shpPort = nullptr;
};
