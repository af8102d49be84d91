#pragma once

#include <QObject>

#include <memory>
#include <optional>

#include "common/page_context.h"
#include "eeprom/flash_controls.h"
#include "tables/table_source.h"

class EepromProgrammer;

// The unit's tables on the "AFR Tables" page: "Flash" programs the table made ready by the table
// source and verifies it, after saving what the unit held; "Read Unit" makes the unit's table the
// current one; "Compare" lists where they differ. A progress bar takes the firmware label's place
// while the unit is busy, and "A B O R T" stops it.
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

    void btnFlashTable_Click();
    void btnAbortFlash_Click();
    void btnReadUnit_Click();
    void btnCompare_Click();

    // True while a run is in progress; the abort button acts only then.
    bool bFlashing = false;

  private:
    class WindowLink;
    enum class Ending { Complete, Aborted, WithErrors };

    // Checks and "tf" before the unit is used; false when nothing more may be sent.
    bool startUsingUnit();
    void showBusy(bool busy);
    // The table at `start` as the unit holds it; nothing after a failure already reported.
    std::optional<tables::UnitWords> readUnitTable(int start, const QString& abortText,
                                                   QString* why = nullptr);
    // The chosen pin's table for Read Unit and Compare, the unit shown busy meanwhile.
    std::optional<tables::UnitWords> readChosenPin();
    // Saves the unit's table before it is overwritten; false when the run must not go on.
    bool backUp();
    // The open port is the simulated unit's (the user may have chosen a real one in the list).
    bool usesSimulatedUnit() const;
    void showProgress(int done, int total);
    void finish(Ending ending);

    PageContext m_context;
    FlashControls m_c;
    TableSource& m_tables;
    std::unique_ptr<WindowLink> m_windowLink;
    std::unique_ptr<EepromProgrammer> m_programmer;
    tables::TableSnapshot m_snapshot;  // the table as it was when Flash was pressed
    QString m_backupFolder;
    QString m_backup;  // the backup of the run under way, empty without one
    // One bar covers a whole flash: the backup's reads, then the writes and the verification.
    int m_progressBase = 0;
    int m_progressTotal = 0;  // 0: each step's own total
    QString m_simulatedDevice;
};
