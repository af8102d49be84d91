#pragma once

#include "tables/table_model.h"

// What a programming run needs of the tables page: a table made ready for the chosen pin, and
// the bytes to program as they are at that moment.
class TableSource {
  public:
    virtual ~TableSource() = default;
    // True when a table is stored for the chosen pin, after making one if the data source can
    // (the linear parameters); false when there is none, the source having said why.
    virtual bool prepareTable() = 0;
    virtual tables::TableSnapshot snapshot() const = 0;
};
