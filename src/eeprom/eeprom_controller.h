#pragma once

#include <QObject>

#include <memory>

#include "common/page_context.h"
#include "eeprom/flash_controls.h"
#include "tables/table_source.h"

class EepromProgrammer;

// The "Flash" and "A B O R T" buttons of the "AFR Tables" page: programs the table made ready by
// the table source into the unit and verifies it, with a progress bar beside the status line.
class EepromController : public QObject {
    Q_OBJECT
  public:
    EepromController(const PageContext& context, const FlashControls& controls, TableSource& tables,
                     QObject* parent = nullptr);
    ~EepromController() override;

    // Start-up: the abort button is hidden until a run begins.
    void startUp();

    void btnFlashTable_Click();
    void btnAbortFlash_Click();

    // True while a run is in progress; the abort button acts only then.
    bool bFlashing = false;

  private:
    class WindowLink;
    enum class Ending { Complete, Aborted, WithErrors };

    void showProgress(int done, int total);
    void finish(Ending ending, int failedLocations);

    PageContext m_context;
    FlashControls m_c;
    TableSource& m_tables;
    std::unique_ptr<WindowLink> m_windowLink;
    std::unique_ptr<EepromProgrammer> m_programmer;
    tables::TableSnapshot m_snapshot;  // the table as it was when Flash was pressed
};
