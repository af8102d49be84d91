#pragma once

#include <QDateTime>
#include <QObject>

#include <memory>
#include <optional>

#include "common/paced_update.h"
#include "common/page_context.h"
#include "eeprom/flash_controls.h"
#include "tables/table_source.h"

class EepromProgrammer;

// The unit's tables on the "AFR Tables" page: "Flash" programs the table made ready by the table
// source and verifies it, after saving what the unit held; "Read Unit" makes the unit's table the
// current one; "Compare" lists where they differ. A progress bar takes the firmware label's place
// while the unit is busy, and "A B O R T" stops it. Every flash and restore is recorded in the
// flash history, and a table read from the unit is said for what it is.
class EepromController : public QObject {
    Q_OBJECT
  public:
    EepromController(const PageContext& context, const FlashControls& controls, TableSource& tables,
                     QObject* parent = nullptr);
    ~EepromController() override;

    // Start-up: the abort button is hidden until a run begins.
    void startUp();
    // Where backups go; none is taken when `folder` is empty.
    void setBackupFolder(const QString& folder) { m_backupFolder = folder; }
    // The simulated unit's device (--simulate): its backups go to a folder of their own.
    void setSimulatedDevice(const QString& device) { m_simulatedDevice = device; }
    // Where the flash history goes; none is written when `path` is empty.
    void setHistoryFile(const QString& path) { m_historyFile = path; }

    void btnFlashTable_Click();
    void btnAbortFlash_Click();
    void btnReadUnit_Click();
    void btnCompare_Click();

    // The pin's table as the unit holds it, read as Read Unit reads it (the unit shown busy);
    // nothing after a failure already reported.
    std::optional<tables::UnitWords> readPin(int pin);
    struct RunResult {
        bool verified = false;
        QString backup;  // where the unit's table was saved first, empty without a backup
    };
    // Writes `values` into the pin as Flash writes a table, backup first, recorded as a run of
    // `kind` from `source` (a restore: the backup's file); with `backupNeeded` nothing is written
    // unless the unit's table was saved first. Their exact bytes: nothing is limited on the way.
    RunResult program(int pin, const tables::UnitWords& values, const QString& source,
                      const QString& kind, bool backupNeeded = false);
    // The open port is the simulated unit's (the user may have chosen a real one in the list).
    bool usesSimulatedUnit() const;

    // True while a run is in progress; the abort button acts only then.
    bool bFlashing = false;

  Q_SIGNALS:
    // The unit is taken by a run or a read, or free again.
    void busyChanged(bool busy);

  private:
    static constexpr int kPaceMs = 100;
    class WindowLink;
    enum class Ending { Complete, Aborted, WithErrors };

    // Checks and "tf" before the unit is used; false when nothing more may be sent.
    bool startUsingUnit();
    void showBusy(bool busy);
    // The table at `start` as the unit holds it; nothing after a failure already reported.
    std::optional<tables::UnitWords> readUnitTable(int start, const QString& abortText,
                                                   QString* why = nullptr);
    // Saves the unit's table before it is overwritten; false when the run must not go on.
    QString runBackupFolder() const;
    bool backUp();
    // "COM3 (/dev/ttyUSB0)", as backups and the history name the unit.
    QString portLabel() const;
    // Backs up, programs and verifies m_snapshot into m_runPin, then finishes.
    void run();
    void showProgress(int done, int total);
    void applyProgress();
    void finish(Ending ending);
    // The run's line in the flash history; a file that cannot be written is said once.
    QString recordRun(Ending ending);
    // The usual message after a read, with what the unit's table is.
    QString identified(const QString& message, const tables::UnitWords& unit, int pin) const;

    PageContext m_context;
    FlashControls m_c;
    TableSource& m_tables;
    std::unique_ptr<WindowLink> m_windowLink;
    std::unique_ptr<EepromProgrammer> m_programmer;
    tables::TableSnapshot m_snapshot;  // the table as it was when Flash was pressed
    int m_runPin = 0;                  // and the run's pin, source and kind
    QString m_runSource;
    QString m_runKind;
    QDateTime m_runStarted;
    QString m_backupFolder;
    QString m_historyFile;
    bool m_historyErrorSaid = false;
    QString m_backup;  // the backup of the run under way, empty without one
    bool m_backupNeeded = false;
    bool m_verified = false;  // the last run wrote and verified every location
    // One bar covers a whole flash: the backup's reads, then the writes and the verification.
    int m_progressBase = 0;
    int m_progressTotal = 0;  // 0: each step's own total
    // The bar moves at every exchange; it is drawn ten times a second.
    int m_barValue = 0, m_barMaximum = 0;
    PacedUpdate m_progressPaced{[this] { applyProgress(); }, kPaceMs};
    QString m_simulatedDevice;
};
