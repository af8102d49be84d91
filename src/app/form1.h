#pragma once

#include <QColor>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

#include "common/dialogs.h"
#include "common/status_line.h"
#include "link/device_link.h"
#include "link/port_map.h"
#include "link/serial_port.h"

#include "app/help_windows.h"
#include "app/status_label.h"
#include "app/ui_builder.h"

class BackupsDialog;
class QMenuBar;
namespace doctor {
class SystemView;
}
class CalibrationPage;
class CommandConsole;
class EepromController;
class OutputTestDialog;
class OutputTests;
class PortSelector;
class SettingsStore;
class TablesPage;

// The main window: builds the three pages, owns the shared state and wires each page's logic.
class Form1 : public QWidget {
    Q_OBJECT
  public:
    struct Options {
        SerialPortFactory portFactory;         // default: the real serial port
        PortProber* prober = nullptr;          // default: the real trial open
        PortMap commandLinePorts;              // --port-map entries
        QString forcedPort;                    // opened at start-up instead of the saved port
        QString simulatedDevice;               // the simulated unit's device (--simulate)
        QStringList notes;                     // shown in the data area at start-up
        Dialogs* dialogs = nullptr;            // default: Qt's dialogs
        int tickMs = DeviceLink::kTickMs;      // tests shorten the tick
        doctor::SystemView* system = nullptr;  // default: this machine, as the doctor sees it
        UrlOpener openUrl;                     // default: the desktop's own programs

        // The simulated unit on `device` takes the first COM name --port-map left free and is
        // opened at start-up; the saved port stays the user's, and its backups go apart.
        void attachSimulatedUnit(const QString& device);
    };

    explicit Form1(Options options, QWidget* parent = nullptr);
    ~Form1() override;

    static const QString kTitle;

    void Form_Load();
    void Form_Terminate();
    void SSTab1_Click(int previousTab);
    void btnBackups_Click();
    void btnOutputTest_Click();

    StatusLine& status() { return m_status; }
    DeviceLink& link() { return *m_link; }
    DataView& data();
    Dialogs& dialogs() { return *m_dialogs; }
    PortSelector& ports() { return *m_ports; }
    CommandConsole& console() { return *m_console; }
    CalibrationPage& calibration() { return *m_calibration; }
    TablesPage& tables() { return *m_tables; }
    EepromController& eeprom() { return *m_eeprom; }
    OutputTests& outputTests() { return *m_outputTests; }

    // Shared stop request of the long operations (calibration trace, EEPROM programming).
    bool bAborted = false;

    // Window geometry in twips, as the resize rule last recorded it.
    int formTop = 0;
    int formLeft = 0;
    int formWidth = 0;
    int formHeight = 0;

    double pxPerTwip() const { return m_pxPerTwip; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // Notes on ports that exist but cannot be opened, in the data area.
    void showPortNotes(const QStringList& lines);
    void showDoctor();
    void showAbout();
    // Every run that may be under way: the adapters are not looked at meanwhile.
    bool busy() const;
    // The menu bar lies above the specified window, which keeps its own layout below it.
    int menuHeight() const;
    void placeMenuAndPages();
    void connectLink();
    void Form_Resize();
    void applySavedGeometry();
    void keepOnScreen();
    void adoptFrame();
    QSize frameExtra() const;
    int toTwips(int px) const;
    int toPx(int twips) const;

    Options m_options;
    double m_pxPerTwip = 1.0 / 15.0;
    StatusLabel m_status;
    std::unique_ptr<Dialogs> m_ownDialogs;
    Dialogs* m_dialogs = nullptr;
    std::unique_ptr<PortProber> m_ownProber;
    std::unique_ptr<doctor::SystemView> m_ownSystem;
    QMenuBar* m_menuBar = nullptr;
    QWidget* m_content = nullptr;  // the specified window, below the menu bar
    std::unique_ptr<SettingsStore> m_settings;
    ui::Controls m_controls;
    std::unique_ptr<DeviceLink> m_link;
    std::unique_ptr<PortSelector> m_ports;
    std::unique_ptr<CommandConsole> m_console;
    std::unique_ptr<CalibrationPage> m_calibration;
    std::unique_ptr<TablesPage> m_tables;
    std::unique_ptr<EepromController> m_eeprom;
    BackupsDialog* m_backups = nullptr;  // made when first opened, owned as a child
    std::unique_ptr<OutputTests> m_outputTests;
    OutputTestDialog* m_outputTest = nullptr;  // made when first opened, owned as a child
    int m_currentTab = 0;
    bool m_terminated = false;
    QSize m_assumedFrame;  // frame size assumed when the saved size was applied
    bool m_geometryPending = false;
    QSize m_minimumFrame{-1, -1};  // frame size the minimum was last computed with
    QSize m_savedOuter;            // twips; empty when not stored
};
