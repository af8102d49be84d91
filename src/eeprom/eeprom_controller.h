#pragma once

#include <QObject>

#include <memory>

#include "tables/table_defaults.h"

#include "common/page_context.h"

class EepromProgrammer;
class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TablesController;

// The "Flash" and "A B O R T" buttons of the "AFR Tables" page: programs the table stored for
// the chosen pin into the unit and verifies it, with a progress bar beside the status line.
class EepromController : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTableBytes = 130;

    EepromController(const PageContext& context, TablesController& tables,
                     QObject* parent = nullptr);
    ~EepromController() override;

    void btnFlashTable_Click();
    void btnAbortFlash_Click();

    // True while a run is in progress; the abort button acts only then.
    bool bFlashing = false;

  private:
    class WindowLink;
    enum class Ending { Complete, Aborted, WithErrors };

    bool tableReady();
    void showProgress(int done, int total);
    void finish(Ending ending, int failedLocations);

    PageContext m_context;
    TablesController& m_tables;
    QPushButton* m_btnFlashTable;
    QPushButton* m_btnAbortFlash;
    QCheckBox* m_chkGraph;
    QComboBox* m_cboEEdata;
    QLabel* m_lBootVersion;
    QProgressBar* m_prgFlash;
    std::unique_ptr<WindowLink> m_windowLink;
    std::unique_ptr<EepromProgrammer> m_programmer;
    tables::EepromImage m_snapshot{};
};
