#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "common/page_context.h"
#include "tables/afr_file_parser.h"
#include "tables/table_graph.h"
#include "tables/table_model.h"
#include "tables/table_source.h"
#include "tables/tables_controls.h"

class AfrFileImport;
class EcuActions;
class LinearFrame;

// The "AFR Tables" page: output pin and data source, linear generation (its frame's boxes in
// LinearFrame), the table list and its export, the graph, the file import and the ECU's lookup
// (EcuActions). Every table from any
// source is stored into the model in one call; the listings and the graph follow the model's one
// notification.
class TablesPage : public QObject, public TableSource {
    Q_OBJECT
  public:
    TablesPage(const PageContext& context, const TablesControls& controls,
               QObject* parent = nullptr);
    ~TablesPage() override;

    // Start-up: the defaults of the page, in the order the window's start-up gives them.
    void startUp();

    void cboOutputPin_Click();
    void cboEEdata_Click();
    void btnGenTable_Click();
    void readAFRFile();
    void readText();
    void btnSaveTable_Click();
    void btnExportEcu_Click();
    void ShowValueTable();
    void oDorH_Click(int index);
    void oIorA_Click(int index);
    void btnExportAFR_Click();
    void chkGraph_Click();
    void p1_Paint();

    // The page switch: leaving hides the graph and remembers it, entering restores it.
    void tablesPageLeft();
    void tablesPageEntered();

    int chosenPin() const override { return m_model.iOutputPin(); }
    // The Stoich AFR box's number.
    double stoich() const;
    bool prepareTable() override;
    tables::TableSnapshot snapshot() const override { return m_model.snapshot(); }
    QString sourceName() const override { return m_file.isEmpty() ? m_source : m_file; }
    QString doubt() const override;
    bool takeFromUnit(const tables::UnitWords& values) override;
    void showUnitCurve(const std::optional<tables::UnitWords>& values) override;

    TableModel& model() { return m_model; }
    const TableModel& model() const { return m_model; }
    TableGraph& graph() { return *m_graph; }
    AfrFileImport& fileImport() { return *m_import; }

  private:
    // `file`: the file's data the values were read from, judged with them before a flash.
    void store(const std::array<qint64, tables::kEntries>& values,
               const tables::AfrFileContent* file = nullptr);
    void onTableStored();

    PageContext m_context;
    TablesControls m_c;
    TableModel m_model;
    std::unique_ptr<TableGraph> m_graph;
    std::unique_ptr<AfrFileImport> m_import;
    std::unique_ptr<LinearFrame> m_linear;
    std::unique_ptr<EcuActions> m_ecu;
    int m_tableContains = 0;
    int m_indexView = 0;
    QString m_tableText;
    QStringList m_doubts;  // what makes the stored table look wrong to program
    QString m_source;      // where the stored table came from
    QString m_file;        // the file it was read from, or "pasted text"
};
