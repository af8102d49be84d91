#include "app/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <utility>

#include "app/backups_dialog.h"
#include "app/main_menu.h"
#include "app/output_test_dialog.h"
#include "app/port_selector.h"
#include "app/qt_dialogs.h"
#include "app/ui_builder.h"
#include "app/widgets.h"
#include "calibration/auto_calibration.h"
#include "calibration/calibration_chart.h"
#include "calibration/calibration_page.h"
#include "common/page_context.h"
#include "console/command_console.h"
#include "console/traffic_log.h"
#include "doctor/system_view.h"
#include "eeprom/eeprom_controller.h"
#include "link/qt_serial_port.h"
#include "link/settings_store.h"
#include "link/unit_commands.h"
#include "tables/table_file.h"
#include "tables/tables_page.h"
#include "unitdata/flash_history.h"
#include "unitdata/output_test.h"

namespace {

constexpr int kMajor = 1;
constexpr int kMinor = 8;
constexpr int kRevision = 0;
const QString kChartSetting = QStringLiteral("FreeAir/chart");

}  // namespace

const QString Form1::kTitle = QStringLiteral("Orvex Configuration Utility");

Form1::Form1(Options options, QWidget* parent)
    : QWidget(parent), m_options(std::move(options)), m_settings(new SettingsStore) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kTitle);
    m_pxPerTwip = logicalDpiX() / 1440.0;
    m_content = new QWidget(this);
    m_controls = ui::buildWindow(m_content, m_pxPerTwip);
    const WindowControls& w = m_controls.window;
    if (!m_options.openUrl) {
        m_options.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    }
    m_menuBar =
        buildMainMenu(this, w.SSTab1,
                      {.quit = [this] { close(); },
                       .doctor = [this] { showDoctor(); },
                       .userGuide = [this] { help::showUserGuide(this, m_options.openUrl); },
                       .about = [this] { showAbout(); }});
    resize(toPx(6300), toPx(7770) + menuHeight());  // the design client area, and the menu
    placeMenuAndPages();
    m_status.attach(w.labStat);

    if (m_options.dialogs) {
        m_dialogs = m_options.dialogs;
    } else {
        m_ownDialogs = std::make_unique<QtDialogs>(this);
        m_dialogs = m_ownDialogs.get();
    }
    if (!m_options.portFactory) {
        m_options.portFactory = [] { return std::make_unique<QtSerialPort>(); };
    }
    PortProber* prober = m_options.prober;
    if (!prober) {
        m_ownProber = std::make_unique<QtPortProber>();
        prober = m_ownProber.get();
    }
    doctor::SystemView* system = m_options.system;
    if (!system) {
        m_ownSystem = doctor::localSystem();
        system = m_ownSystem.get();
    }

    m_link = std::make_unique<DeviceLink>(m_options.portFactory);
    m_link->setTickInterval(m_options.tickMs);
    connectLink();

    PortSelector::Sources sources;
    sources.commandLine = m_options.commandLinePorts;
    sources.settings = [this] { return m_settings->ports(); };
    sources.savedPort = [this] {
        return m_options.forcedPort.isEmpty() ? m_settings->keySetting(QStringLiteral("port"))
                                              : m_options.forcedPort;
    };
    m_ports = std::make_unique<PortSelector>(w.cboPort, w.shpPort, *m_link, m_status, *prober,
                                             *system, std::move(sources));
    connect(m_ports.get(), &PortSelector::notesReady, this, &Form1::showPortNotes);
    m_ports->setBusy([this] { return busy(); });

    connect(w.SSTab1, &QTabWidget::currentChanged, this,
            [this](int index) { SSTab1_Click(std::exchange(m_currentTab, index)); });

    const PageContext context{*m_link, m_status, *m_dialogs, bAborted};
    m_console = std::make_unique<CommandConsole>(context, m_controls.comms);
    m_calibration = std::make_unique<CalibrationPage>(
        context, m_controls.freeAir,
        ShapePainter{[](QWidget* shape, const QColor& colour) {
                         static_cast<ShapeWidget*>(shape)->setFillColor(colour);
                     },
                     ShapeWidget::neutralColor()});
    // Whether the trace is charted is the user's choice, kept between runs.
    QAbstractButton* chart = m_controls.freeAir.chkChart;
    chart->setChecked(m_settings->flag(kChartSetting, false));
    connect(chart, &QAbstractButton::toggled, this,
            [this](bool on) { m_settings->saveFlag(kChartSetting, on); });
    m_tables = std::make_unique<TablesPage>(context, m_controls.tables);
    m_eeprom = std::make_unique<EepromController>(context, m_controls.flash, *m_tables);
    // What the unit held is kept before every write, unless the user turned that off.
    if (m_settings->tablesFlag(QStringLiteral("backupBeforeFlash"), true)) {
        m_eeprom->setBackupFolder(tables::defaultBackupFolder());
    }
    m_eeprom->setSimulatedDevice(m_options.simulatedDevice);
    m_eeprom->setHistoryFile(unitdata::historyPath());
    connect(m_controls.flash.btnBackups, &QPushButton::clicked, this, &Form1::btnBackups_Click);
    m_outputTests = std::make_unique<OutputTests>(unitdata::outputTestPath(), *m_eeprom, m_status);
    connect(m_controls.tables.btnOutputTest, &QPushButton::clicked, this,
            &Form1::btnOutputTest_Click);
}

// The unit's dialogs are made once and brought up to date each time they are opened.
template <typename D>
void bringUp(D* dialog) {
    dialog->refresh();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void Form1::btnBackups_Click() {
    if (!m_backups) {
        m_backups =
            new BackupsDialog({tables::defaultBackupFolder(), *m_tables, m_controls.tables.chkGraph,
                               *m_eeprom, *m_dialogs, m_status, m_options.openUrl},
                              this);
    }
    bringUp(m_backups);
}

void Form1::btnOutputTest_Click() {
    if (!m_outputTest) {
        m_outputTest = new OutputTestDialog(
            {*m_outputTests, *m_eeprom, [this] { return m_tables->chosenPin(); },
             [this] { return m_tables->stoich(); }},
            this);
    }
    bringUp(m_outputTest);
}

void Form1::Options::attachSimulatedUnit(const QString& device) {
    int number = kFirstComPort;
    while (commandLinePorts.contains(number) && number < kLastComPort) {
        ++number;
    }
    commandLinePorts.insert(number, device);
    forcedPort = comName(number);
    simulatedDevice = device;
}

Form1::~Form1() = default;

DataView& Form1::data() {
    return *m_controls.window.txtData;
}

// What the link reports reaches the user here: the status line, the data area and the labels.
void Form1::connectLink() {
    const WindowControls& w = m_controls.window;
    DeviceLink* link = m_link.get();
    StatusLabel* status = &m_status;
    connect(link, &DeviceLink::opened, this,
            [status](const QString& name) { status->msgStatus(QStringLiteral("Opened ") + name); });
    connect(link, &DeviceLink::openFailed, this, [status](const QString& name) {
        status->msgError(QStringLiteral("Could NOT Open ") + name);
    });
    connect(link, &DeviceLink::connectionLost, this, [this, status](const QString& name) {
        status->msgError(QStringLiteral("Lost connection to ") + name);
        bAborted = true;  // a run under way ends as aborted, and is not taken up again
    });
    connect(link, &DeviceLink::notOpen, this,
            [status] { status->msgError(QStringLiteral("COM port must be opened first")); });
    connect(link, &DeviceLink::timeoutReported, this,
            [status] { status->msgError(QStringLiteral("Timeout")); });
    connect(link, &DeviceLink::rxShown, w.txtData, &DataArea::showRx);
    connect(link, &DeviceLink::parameterShown, new ShownLater(m_controls.freeAir.txtData1),
            &ShownLater::setText);
    connect(link, &DeviceLink::firmwareCaption, w.lBootVersion, &QLabel::setText);
    connect(link, &DeviceLink::secondsCaption, w.lTimer, &QLabel::setText);
}

void Form1::Form_Load() {
    setWindowTitle(kTitle + QStringLiteral(" - Rev ") + QString::number(kMajor) + QLatin1Char('.') +
                   QString::number(kMinor) + QLatin1Char('.') + QChar(u'a' + kRevision));
    m_console->startUp();
    m_calibration->startUp();
    m_ports->cboPort_GotFocus();
    m_tables->startUp();
    m_eeprom->startUp();
    showPortNotes(m_options.notes + m_ports->takeNotes());
    applySavedGeometry();
    // The command box holds "tf" with the caret after it so that Enter sends it at once.
    m_controls.comms.txtCommand->setFocus(Qt::OtherFocusReason);
    m_outputTests->showHeld();  // left in the unit by an earlier run
}

void Form1::closeEvent(QCloseEvent* event) {
    // A test table left in the unit is the user's to keep or put back; a run under way ends as
    // an abort does.
    if (!m_terminated && !m_eeprom->bFlashing && !m_outputTests->askBeforeClose(*m_dialogs)) {
        event->ignore();
        return;
    }
    // A long operation waiting inside this close must not go on invisibly: ask it to stop, and
    // let nothing more reach the unit.
    bAborted = true;
    m_link->setClosing();
    Form_Terminate();
    event->accept();
}

void Form1::Form_Terminate() {
    if (m_terminated) {
        return;
    }
    m_terminated = true;
    m_settings->saveKeySetting(QStringLiteral("formwidth"), QString::number(formWidth));
    m_settings->saveKeySetting(QStringLiteral("formheight"), QString::number(formHeight));
    m_settings->saveKeySetting(QStringLiteral("formtop"), QString::number(formTop));
    m_settings->saveKeySetting(QStringLiteral("formleft"), QString::number(formLeft));
    // A simulated unit's port is not the user's choice of hardware; keep the real one.
    if (m_options.forcedPort.isEmpty()) {
        m_settings->saveKeySetting(QStringLiteral("port"), m_link->portName());
    }
}

void Form1::SSTab1_Click(int previousTab) {
    if (previousTab == 2) {
        m_tables->tablesPageLeft();
        m_link->setShowRx(true);
    }
    if (m_currentTab == 2) {
        m_tables->tablesPageEntered();
        m_link->setShowRx(false);
    }
    if (m_currentTab != 0) {
        m_link->TxString(UnitCommand::kTraceOff);
    }
    m_calibration->chart().setPageShown(m_currentTab == 1);
}

bool Form1::busy() const {
    return m_eeprom->bFlashing || m_calibration->automatic().isRunning() || m_link->isWaiting() ||
           QApplication::activeModalWidget() != nullptr;
}

void Form1::showAbout() {
    const auto* log = m_console->findChild<TrafficLog*>();
    help::showAbout(this, m_options.openUrl, log ? log->fileName() : QString());
}

void Form1::showDoctor() {
    QStringList text;
    const PortMap& map = m_link->portMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const QString name = comName(it.key());
        const bool here = m_link->isOpen() && name == m_link->portName();
        text << m_ports->doctor().check(name, it.value(), {.openHere = here}).block() << QString();
    }
    help::showText(this, QStringLiteral("frmDoctor"), QStringLiteral("Connection Doctor"),
                   map.isEmpty() ? QStringLiteral("No serial ports found.") : text.join(u'\n'));
}

void Form1::showPortNotes(const QStringList& lines) {
    if (!lines.isEmpty()) {
        data().appendText(lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n"));
    }
}
