#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "common/page_context.h"
#include "tables/table_graph.h"
#include "tables/table_model.h"

class DataView;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QWidget;

// The "AFR Tables" page: output pin and data source, linear generation, the table list and its
// export, and the graph. Finds its controls under the window by objectName.
class TablesController : public QObject {
    Q_OBJECT
  public:
    explicit TablesController(const PageContext& context, QObject* parent = nullptr);
    ~TablesController() override;

    // Start-up: the defaults of the page, in the order the window's start-up gives them.
    void startUp();

    void cboOutputPin_Click();
    void cboEEdata_Click();
    void btnGenTable_Click();
    void oAorL_Click(int index);
    void oMidCount_Click(int index);
    void chkOverUnder_Click();
    void tAFRs_Change();
    void ShowValueTable();
    void oDorH_Click(int index);
    void oIorA_Click(int index);
    void btnExportAFR_Click();
    void chkGraph_Click();
    void p1_Paint();

    // The page switch: leaving hides the graph and remembers it, entering restores it.
    void tablesPageLeft();
    void tablesPageEntered();

    // The one road for a table entry into the image; see TableModel::setEETable.
    void setEETable(int index, qint64 count) { m_model.setEETable(index, count); }

    // The file import of the data source "Use Data from File ...". It reads the named file into
    // the table through setEETable, lists it and redraws the graph itself.
    void setFileImport(std::function<void()> readAFRFile) {
        m_readAFRFile = std::move(readAFRFile);
    }

    TableModel& model() { return m_model; }
    const TableModel& model() const { return m_model; }
    TableGraph& graph() { return *m_graph; }

    int iMidCount() const { return m_midCount; }
    bool bAFRmode() const { return m_afrMode; }
    int iTableContains() const { return m_tableContains; }
    int iIndexView() const { return m_indexView; }
    const QString& TableText() const { return m_tableText; }

  private:
    template <class T>
    T* control(const QString& name) const;
    QRadioButton* option(const char* group, int index) const;
    void connectOptions(const char* group, int count, void (TablesController::*handler)(int));
    void readAFRFile();
    double stoich() const;

    PageContext m_context;
    DataView& m_txtData;
    TableModel m_model;
    std::unique_ptr<TableGraph> m_graph;
    std::function<void()> m_readAFRFile;

    QComboBox* m_cboOutputPin;
    QComboBox* m_cboEEdata;
    QWidget* m_frmLinearParams;
    QWidget* m_frmAFRfile;
    QListWidget* m_lstEETable;
    QCheckBox* m_chkOverUnder;
    QCheckBox* m_chkGraph;
    QLabel* m_lAFRorLambda;
    QLineEdit* m_tAFRs;

    int m_midCount = 0;
    bool m_afrMode = true;
    int m_tableContains = 0;
    int m_indexView = 0;
    QString m_tableText;
};
