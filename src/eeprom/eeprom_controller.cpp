#include "eeprom/eeprom_controller.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

#include "common/data_view.h"
#include "eeprom/eeprom_programmer.h"
#include "link/device_link.h"
#include "link/hex_text.h"
#include "link/unit_commands.h"
#include "tables/table_file.h"
#include "unitdata/backup_list.h"
#include "unitdata/flash_history.h"
#include "unitdata/table_identity.h"

// The exchanges of a run go through the window's link; each command is shown in Label1. A window
// that is closing counts as an abort.
class EepromController::WindowLink final : public EepromLink {
  public:
    WindowLink(DeviceLink& link, QLabel* label1, const bool& bAborted)
        : m_link(link), m_label1(label1), m_bAborted(bAborted) {}

    bool aborted() const override { return m_bAborted || m_link.closing(); }
    void send(const QString& command) override {
        m_command = command;
        m_labelPaced.request();
        m_link.TxString(command);
    }
    void showLastCommand() { m_labelPaced.flush(); }
    QString getParameter() override { return m_link.GetParameter(); }
    QString lastReply() const override { return m_link.RxBuffer(); }
    bool timedOut() const override { return m_link.bTimedOut(); }
    bool drain(Quiet why) override { return m_link.drainInput(quietTicks(why)); }

  private:
    DeviceLink& m_link;
    QLabel* m_label1;
    const bool& m_bAborted;
    QString m_command;
    PacedUpdate m_labelPaced{[this] { m_label1->setText(m_command); }, kPaceMs};
};

EepromController::EepromController(const PageContext& context, const FlashControls& controls,
                                   TableSource& tables, QObject* parent)
    : QObject(parent), m_context(context), m_c(controls), m_tables(tables) {
    m_c.prgFlash->setTextVisible(true);
    m_windowLink = std::make_unique<WindowLink>(context.link, m_c.Label1, context.bAborted);
    m_programmer = std::make_unique<EepromProgrammer>(
        *m_windowLink, context.status, *m_c.txtData, context.dialogs,
        [this](int address) { return m_snapshot.byteAt(address); });
    m_programmer->setProgress([this](int done, int total) { showProgress(done, total); });

    connect(m_c.btnFlashTable, &QPushButton::clicked, this, &EepromController::btnFlashTable_Click);
    connect(m_c.btnAbortFlash, &QPushButton::clicked, this, &EepromController::btnAbortFlash_Click);
    connect(m_c.btnReadUnit, &QPushButton::clicked, this, &EepromController::btnReadUnit_Click);
    connect(m_c.btnCompare, &QPushButton::clicked, this, &EepromController::btnCompare_Click);
}

EepromController::~EepromController() = default;

void EepromController::startUp() {
    m_c.btnAbortFlash->hide();
    m_c.prgFlash->hide();
}

bool EepromController::startUsingUnit() {
    DeviceLink& link = m_context.link;
    if (!link.isOpen()) {
        link.openError();
        return false;
    }
    link.TxString(UnitCommand::kTraceOff);
    link.GetResponse();
    return !link.closing();  // the window was closed while "tf" was awaited
}

void EepromController::showBusy(bool busy) {
    bFlashing = busy;
    m_context.bAborted = !busy;
    m_c.btnAbortFlash->setVisible(busy);
    m_c.btnFlashTable->setVisible(!busy);
    m_c.btnReadUnit->setEnabled(!busy);
    m_c.btnCompare->setEnabled(!busy);
    m_c.btnBackups->setEnabled(!busy);
    // Shares the place of the firmware version while the unit is busy.
    if (!busy) {
        m_progressPaced.flush();
        m_windowLink->showLastCommand();
    }
    m_c.prgFlash->setGeometry(m_c.lBootVersion->geometry());
    m_c.prgFlash->raise();
    m_c.prgFlash->setVisible(busy);
    Q_EMIT busyChanged(busy);
}

std::optional<tables::UnitWords> EepromController::readUnitTable(int start,
                                                                 const QString& abortText,
                                                                 QString* why) {
    const EepromProgrammer::Read read = m_programmer->readTable(start, tables::kTableBytes);
    const QString failure =
        !m_context.link.isOpen() ? QStringLiteral("Lost connection to ") + m_context.link.portName()
        : m_programmer->lineNoisy() ? QStringLiteral("The unit does not stop sending")
        : read.aborted              ? abortText
        : read.ok()                 ? QString()
                    : QStringLiteral("Could not read address ") + hex4(read.failedAddress);
    if (!failure.isEmpty()) {
        m_context.status.msgError(failure);
    }
    if (why) {
        *why = failure;
    }
    return read.ok() ? std::optional(tables::unitWords(read.bytes)) : std::nullopt;
}

std::optional<tables::UnitWords> EepromController::readPin(int pin) {
    if (bFlashing || !startUsingUnit()) {
        return std::nullopt;
    }
    showBusy(true);
    const auto values =
        readUnitTable(tables::TableStartAddr[pin], QStringLiteral("Reading aborted."));
    showBusy(false);
    return values;
}

QString EepromController::identified(const QString& message, const tables::UnitWords& unit,
                                     int pin) const {
    const QString folder =
        m_backupFolder.isEmpty() ? tables::defaultBackupFolder() : m_backupFolder;
    return unitdata::withIdentity(
        message, unitdata::tableIdentity(unit, pin, usesSimulatedUnit(),
                                         unitdata::readHistory(m_historyFile).entries,
                                         unitdata::listBackups(folder)));
}

void EepromController::btnReadUnit_Click() {
    if (m_tables.chosenPin() == 0) {
        m_context.status.msgError(QStringLiteral("No Table Selected"));
        return;
    }
    const int pin = m_tables.chosenPin();
    const auto values = readPin(pin);
    if (!values) {
        return;
    }
    if (m_tables.takeFromUnit(*values)) {
        m_context.status.msgStatus(
            identified(QStringLiteral("Read table from unit"), *values, pin));
        return;
    }
    // An erased or foreign table: keeping it would change it, so the current table stays.
    const auto* high = std::find_if(values->begin(), values->end(),
                                    [](int v) { return v > tables::kMaxStoredValue; });
    m_context.status.msgError(
        QStringLiteral("The unit's table holds values above %1 (entry %2: %3) - not taken")
            .arg(tables::kMaxStoredValue)
            .arg(high - values->begin())
            .arg(*high));
}

void EepromController::btnCompare_Click() {
    if (!m_tables.prepareTable()) {
        return;
    }
    const int pin = m_tables.chosenPin();
    const auto unit = readPin(pin);
    if (!unit) {
        return;
    }
    const QList<tables::Difference> differ =
        tables::differences(*unit, tables::unitWords(m_tables.snapshot().toBytes()));
    m_c.txtData->setText(tables::differenceLines(differ));
    m_tables.showUnitCurve(unit);
    if (differ.isEmpty()) {
        m_context.status.msgStatus(
            identified(QStringLiteral("Unit matches the table"), *unit, pin));
    } else {
        m_context.status.msgError(identified(
            QString::number(differ.size()) + QStringLiteral(" entries differ from the unit"), *unit,
            pin));
    }
}

// An output test backs up even with backups switched off: only its backup gives the table back.
QString EepromController::runBackupFolder() const {
    return m_backupFolder.isEmpty() && m_backupNeeded ? tables::defaultBackupFolder()
                                                      : m_backupFolder;
}

bool EepromController::backUp() {
    const QString folder = runBackupFolder();
    if (folder.isEmpty()) {
        return true;
    }
    const int pin = m_runPin;
    m_context.status.msg(QStringLiteral("Backing up the ") + tables::pinShortName(pin) +
                         QStringLiteral(" table ..."));
    QString why;
    const auto unit = readUnitTable(m_snapshot.start, QStringLiteral("Programming aborted."), &why);
    if (!unit && (m_windowLink->aborted() || !m_context.link.isOpen())) {
        return false;  // an abort while reading, or the unit gone: nothing written
    }
    if (unit) {
        const bool simulated = usesSimulatedUnit();
        const QString path = tables::saveBackup(tables::backupFolderFor(folder, simulated), pin,
                                                *unit, QDateTime::currentDateTime(), &why,
                                                tables::unitSource(simulated), portLabel());
        if (!path.isEmpty()) {
            m_backup = path;
            m_programmer->setLogHead(QStringLiteral("Backup saved to ") + path +
                                     QStringLiteral("\r\n"));
            return true;
        }
        m_context.status.msgError(why);
    }
    return !m_backupNeeded &&
           m_context.dialogs.yesNo(QStringLiteral("No backup"),
                                   QStringLiteral("The unit's table could not be saved (") + why +
                                       QStringLiteral("). Program without a backup?")) ==
               Dialogs::Button::Yes;
}

QString EepromController::portLabel() const {
    const DeviceLink& link = m_context.link;
    return link.portName() + QStringLiteral(" (") +
           link.portMap().value(comNumber(link.portName())) + QLatin1Char(')');
}

bool EepromController::usesSimulatedUnit() const {
    // The device behind the chosen COM name; the simulated unit's name keeps its device.
    const DeviceLink& link = m_context.link;
    return !m_simulatedDevice.isEmpty() &&
           link.portMap().value(comNumber(link.portName())) == m_simulatedDevice;
}

void EepromController::btnFlashTable_Click() {
    m_c.chkGraph->setChecked(false);
    m_context.status.msgClear();
    if (!m_tables.prepareTable()) {
        return;
    }
    if (const QString doubt = m_tables.doubt();
        !doubt.isEmpty() &&
        m_context.dialogs.yesNo(QStringLiteral("Flash"), doubt) != Dialogs::Button::Yes) {
        m_context.status.msgError(QStringLiteral("Nothing programmed"));
        return;
    }
    // The table the user saw when pressing Flash is the one programmed and verified, whatever is
    // chosen while the run lasts.
    m_snapshot = m_tables.snapshot();
    m_runPin = m_tables.chosenPin();
    m_runSource = m_tables.sourceName();
    m_runKind = unitdata::kFlash;
    run();
}

EepromController::RunResult EepromController::program(int pin, const tables::UnitWords& values,
                                                      const QString& source, const QString& kind,
                                                      bool backupNeeded) {
    if (bFlashing) {
        return {};
    }
    m_c.chkGraph->setChecked(false);
    m_context.status.msgClear();
    // The backup's exact bytes, an erased table's FF included: nothing is limited on the way.
    m_snapshot = tables::TableSnapshot::of(pin, values);
    m_runPin = pin;
    m_runSource = source;
    m_runKind = kind;
    m_backupNeeded = backupNeeded;
    m_backup.clear();  // a run refused at once saves none
    run();
    m_backupNeeded = false;
    return {std::exchange(m_verified, false), m_backup};
}

void EepromController::run() {
    if (!startUsingUnit()) {
        return;
    }
    m_runStarted = QDateTime::currentDateTime();
    showBusy(true);
    m_backup.clear();
    m_progressBase = 0;
    m_progressTotal = (runBackupFolder().isEmpty() ? 2 : 3) * tables::kTableBytes;
    const bool backedUp = backUp();
    m_progressBase = m_progressTotal - 2 * tables::kTableBytes;
    if (!backedUp) {
        m_c.txtData->setText(QString());
        finish(Ending::Aborted);
        return;
    }
    m_tables.showUnitCurve(std::nullopt);  // the unit is about to hold something else
    const bool ranThrough = m_programmer->ProgramEE(m_snapshot.start, tables::kTableBytes);
    finish(!ranThrough                           ? Ending::Aborted
           : m_programmer->failedLocations() > 0 ? Ending::WithErrors
                                                 : Ending::Complete);
}

void EepromController::finish(Ending ending) {
    m_verified = ending == Ending::Complete;
    m_progressBase = m_progressTotal = 0;
    // How far a run that did not end well got, and where the table it replaced is kept.
    const QString reached =
        runReached(m_programmer->written(), m_programmer->verified(), tables::kTableBytes) +
        QStringLiteral(". ") + backupKept(m_backup);
    QString logEnd;
    switch (ending) {
        case Ending::Complete:
            m_context.status.msgStatus(QStringLiteral("Programming Complete."));
            logEnd = QStringLiteral("Programming complete.");
            break;
        case Ending::Aborted:
            logEnd = (!m_context.link.isOpen()
                          ? QStringLiteral("Programming stopped: lost connection to ") +
                                m_context.link.portName() + QStringLiteral("; ")
                      : m_programmer->lineNoisy()
                          ? QStringLiteral("Programming stopped: the unit does not stop sending; ")
                          : QStringLiteral("Programming aborted: ")) +
                     reached;
            m_context.status.msgError(logEnd);
            break;
        case Ending::WithErrors:
            logEnd = QStringLiteral("Programming finished with errors at ") +
                     QString::number(m_programmer->failedLocations()) +
                     QStringLiteral(" locations: ") + reached;
            m_context.status.msgError(logEnd);
            break;
    }
    if (const QString why = recordRun(ending); !why.isEmpty()) {
        const QString said = QStringLiteral(" Flash history not written: ") + why;
        m_context.status.msgError(
            (ending == Ending::Complete ? QStringLiteral("Programming Complete.") : logEnd) + said);
        logEnd += said;
    }
    m_c.btnFlashTable->setText(QStringLiteral("Flash"));
    showBusy(false);

    DeviceLink& link = m_context.link;
    m_c.txtData->appendText(logEnd);
    // A lost port hears nothing more; its loss stays on the status line.
    if (link.isOpen()) {
        link.TxString(UnitCommand::kTraceOff);
        link.GetResponse();
        link.GetVersion();
    }
}

QString EepromController::recordRun(Ending ending) {
    if (m_historyFile.isEmpty()) {
        return QString();
    }
    const unitdata::Outcome outcome = ending == Ending::Complete     ? unitdata::Outcome::Verified
                                      : ending == Ending::WithErrors ? unitdata::Outcome::Errors
                                      : m_context.link.isOpen()      ? unitdata::Outcome::Aborted
                                                                     : unitdata::Outcome::Lost;
    const unitdata::HistoryEntry entry{
        m_runStarted,
        QStringLiteral("orvex-config"),
        m_runKind,
        usesSimulatedUnit() ? unitdata::kSimulatedPort : portLabel(),
        m_runPin,
        m_runSource,
        m_snapshot.toBytes(),
        m_backup,
        unitdata::outcomeText(outcome, m_programmer->failedLocations())};
    const QString why = unitdata::appendHistory(m_historyFile, entry);
    // Said once: a history that cannot be written would otherwise cover every run's own end.
    return why.isEmpty() || std::exchange(m_historyErrorSaid, true) ? QString() : why;
}

void EepromController::btnAbortFlash_Click() {
    if (!bFlashing) {
        return;
    }
    bFlashing = false;
    m_c.btnAbortFlash->hide();
    m_context.bAborted = true;
}

void EepromController::showProgress(int done, int total) {
    m_barMaximum = m_progressTotal > 0 ? m_progressTotal : total;
    m_barValue = m_progressBase + done;
    m_progressPaced.request();
}

void EepromController::applyProgress() {
    m_c.prgFlash->setMaximum(m_barMaximum);
    m_c.prgFlash->setValue(m_barValue);
}
