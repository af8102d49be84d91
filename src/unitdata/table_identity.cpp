#include "unitdata/table_identity.h"

#include <QFileInfo>

#include <algorithm>

#include "tables/table_file.h"

namespace unitdata {

namespace {

const QString kLinearSource = QStringLiteral("Linear Parameters ...");

QString builtInIdentity(const tables::UnitWords& unit) {
    for (int k = 0; k < tables::kBuiltInTables; ++k) {
        if (unit == tables::unitWords(tables::DefaultTables[k])) {
            return QStringLiteral("= built-in ") + tables::DefaultTableNames[k];
        }
    }
    return {};
}

}  // namespace

QString tableIdentity(const tables::UnitWords& unit, int pin, bool simulated,
                      const QList<HistoryEntry>& history, const QList<Backup>& backups) {
    if (QString builtIn = builtInIdentity(unit); !builtIn.isEmpty()) {
        return builtIn;
    }
    const QByteArray bytes = tables::unitBytes(unit);
    // Only a verified run proves the unit got that table; a run that ended early may have left
    // the table before it, which its bytes would then wrongly name.
    for (auto e = history.crbegin(); e != history.crend(); ++e) {
        if (e->pin == pin && (e->port == kSimulatedPort) == simulated && e->bytes == bytes &&
            e->outcome == outcomeText(Outcome::Verified)) {
            const QString date = shownTime(e->when);
            if (e->source == kLinearSource) {
                return QStringLiteral("= the linear table flashed on ") + date;
            }
            const QString file =
                e->source.contains(u'/') ? QFileInfo(e->source).fileName() : e->source;
            return QStringLiteral("= the table flashed from %1 on %2").arg(file, date);
        }
    }
    for (const Backup& b : backups) {  // newest first
        if (b.pin == pin && b.simulated == simulated && b.values == unit) {
            return QStringLiteral("= backup of ") + shownTime(b.when);
        }
    }
    return QStringLiteral("a table of its own");
}

QString tableIdentity(const tables::UnitWords& unit, int pin, bool simulated) {
    // A built-in table needs neither the history nor every backup read.
    if (QString builtIn = builtInIdentity(unit); !builtIn.isEmpty()) {
        return builtIn;
    }
    return tableIdentity(unit, pin, simulated, readHistory(historyPath()).entries,
                         listBackups(tables::defaultBackupFolder()));
}

QString withIdentity(const QString& message, const QString& identity) {
    return message + (identity.startsWith(u'=') ? QStringLiteral(" ") : QStringLiteral(", ")) +
           identity;
}

}  // namespace unitdata
