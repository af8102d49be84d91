#pragma once

#include <QObject>
#include <QString>

#include <optional>

#include "common/page_context.h"
#include "tables/afr_file_parser.h"
#include "tables/table_file.h"
#include "tables/tables_controls.h"

class QEvent;
class QMimeData;

// The "Data from file" frame: reads a table from the named text or CSV file, echoes the lines it
// read, and takes file names from the dialog or a drop. It hands the values over and stores
// nothing itself; the tables page asks for them when a read is requested.
class AfrFileImport : public QObject {
    Q_OBJECT
  public:
    static inline const QString kFilter =
        QStringLiteral("Text Files (*.TXT)|*.TXT|CSV (*.CSV)|*.CSV|All files (*.*)|*.*");

    AfrFileImport(const PageContext& context, const TablesControls& controls,
                  QObject* parent = nullptr);

    // Reads the named file and reports on the status line how it went; nothing when no file
    // could be read.
    std::optional<tables::AfrFileContent> readAFRFile();
    // The text of the file-data area read by the same rules ("Use Text").
    tables::AfrFileContent readText();

    // The file types the dialog offers (kFilter until told otherwise).
    void setFilter(const QString& filter) { m_filter = filter; }
    void cmdAFRfilename_Click();
    void cmdGOfile_Click() { Q_EMIT readRequested(); }
    void cmdCopyallFile_Click();
    void cmdPasteFile_Click();
    void cmdClearFile_Click();

    // True when the dragged data can be dropped (it carries a list of files).
    static bool txtAFRfilename_OLEDragOver(const QMimeData* data);
    void txtAFRfilename_OLEDragDrop(const QMimeData* data);

  Q_SIGNALS:
    // The named file is to be read into the table (GO, the dialog, a drop).
    void readRequested();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // `read` heads the outcome: "Read file <name>" or "Read text".
    void report(const tables::AfrFileContent& content, const QString& read);

    PageContext m_context;
    TablesControls m_c;
    QString m_filter = kFilter;
};
