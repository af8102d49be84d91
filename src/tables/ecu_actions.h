#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>

#include "common/page_context.h"
#include "tables/table_defaults.h"
#include "tables/tables_controls.h"

// The tables page's side of the ECU work: "Export for ECU ..." writes the chosen pin's table
// turned round into a lookup file of the kind picked in the save dialog, and the data source
// "Match ECU Lookup File ..." makes the table that agrees with the lookup named in the file box.
// Both use the page's Stoich AFR.
class EcuActions {
  public:
    using Store = std::function<void(const std::array<qint64, tables::kEntries>&)>;
    // Files the file box's dialog offers while the lookup is the data source.
    static inline const QString kLookupFilter =
        QStringLiteral("ECU lookups (*.INC;*.CSV;*.TXT)|*.INC;*.CSV;*.TXT|All files (*.*)|*.*");

    // `store` takes a matched table as the page stores any table; `stoich` is the page's.
    EcuActions(const PageContext& context, const TablesControls& controls, Store store,
               std::function<double()> stoich);

    // `source` names where the table came from in the lookup's heading.
    void exportTable(int pin, const tables::UnitWords& table, const QString& source);
    // The lookup in the named file (shown in the file-data area), or in the area's text.
    void matchFile();
    void matchText();

  private:
    void match(const QByteArray& bytes, const QString& what);

    PageContext m_context;
    TablesControls m_c;
    Store m_store;
    std::function<double()> m_stoich;
    int m_kind = 0;  // the kind of file offered first: the one chosen last
};
