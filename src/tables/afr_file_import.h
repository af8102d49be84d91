#pragma once

#include <QObject>
#include <QString>

#include "common/page_context.h"

class DataView;
class QEvent;
class QLineEdit;
class QMimeData;
class TablesController;

// The "Data from file" frame: reads a table from the named text or CSV file into the chosen
// pin's table, echoes the lines it read, and takes file names from the dialog or a drop.
class AfrFileImport : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTableEntries = 65;
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;
    static inline const QString kFilter =
        QStringLiteral("Text Files (*.TXT)|*.TXT|CSV (*.CSV)|*.CSV|All files (*.*)|*.*");

    // Registers itself as the file import of `tables`.
    AfrFileImport(const PageContext& context, TablesController& tables, QObject* parent = nullptr);

    void readAFRFile();
    void cmdAFRfilename_Click();
    void cmdGOfile_Click() { readAFRFile(); }
    void cmdCopyallFile_Click();
    void cmdPasteFile_Click();
    void cmdClearFile_Click();

    // True when the dragged data can be dropped (it carries a list of files).
    static bool txtAFRfilename_OLEDragOver(const QMimeData* data);
    void txtAFRfilename_OLEDragDrop(const QMimeData* data);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    PageContext m_context;
    TablesController& m_tables;
    QLineEdit* m_txtAFRfilename;
    DataView& m_txtAFRfileData;
};
