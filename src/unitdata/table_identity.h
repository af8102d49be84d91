#pragma once

#include <QList>
#include <QString>

#include "tables/table_defaults.h"
#include "unitdata/backup_list.h"
#include "unitdata/flash_history.h"

// What a table read from the unit is, in this order of preference: one of the built-in tables,
// a table the history says was flashed to this pin and verified (the newest such run), a backup
// of this pin (the newest), or none of those. The simulated unit's records never name a real
// unit's table, nor the other way round.
namespace unitdata {

// "= built-in NAME", "= the table flashed from FILE on DATE", "= the linear table flashed on
// DATE", "= backup of DATE", or "a table of its own".
QString tableIdentity(const tables::UnitWords& unit, int pin, bool simulated,
                      const QList<HistoryEntry>& history, const QList<Backup>& backups);

// The same from the history file and the backups folder in their usual places.
QString tableIdentity(const tables::UnitWords& unit, int pin, bool simulated);

// A message with the identity after it: "Read table from unit = built-in NBsim (LSM-11)",
// "Read table from unit, a table of its own".
QString withIdentity(const QString& message, const QString& identity);

}  // namespace unitdata
