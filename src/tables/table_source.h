#pragma once

#include <QString>

#include <optional>

#include "tables/table_model.h"

// What the unit's EEPROM operations need of the tables page: the chosen pin, a table made ready
// for it, its bytes as they are at that moment, and a place for a table read from the unit.
class TableSource {
  public:
    virtual ~TableSource() = default;
    // The chosen output pin, 0 for none.
    virtual int chosenPin() const = 0;
    // True when a table is stored for the chosen pin, after making one if the data source can
    // (the linear parameters); false, with "No table generated" on the status line, when not.
    virtual bool prepareTable() = 0;
    virtual tables::TableSnapshot snapshot() const = 0;
    // Where the stored table came from, as the flash history records it: the data source, or the
    // file read.
    virtual QString sourceName() const = 0;
    // Why the table ready to be programmed may not be what the user means (values beyond 5 V,
    // all values equal, and for a file a heading line, an index column, volts ...), as a
    // question; empty when there is no doubt.
    virtual QString doubt() const = 0;
    // A table read from the unit becomes the current table, when every value fits one; false
    // (and nothing changed) when one does not.
    virtual bool takeFromUnit(const tables::UnitWords& values) = 0;
    // The unit's table drawn over the current one (nothing: the unit's curve goes).
    virtual void showUnitCurve(const std::optional<tables::UnitWords>& values) = 0;
};
