// orvexctl's commands on what is kept about the unit's tables: the backups (listed, and restored
// as a flash is made) and the flash history.
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_commands.h"
#include "cli/cli_output.h"
#include "cli/unit_session.h"
#include "tables/table_file.h"
#include "unitdata/backup_list.h"
#include "unitdata/flash_history.h"
#include "unitdata/output_test.h"

namespace cli {

namespace {

QString pinName(int pin) {
    return pin == 0 ? QStringLiteral("-") : tables::pinShortName(pin);
}

}  // namespace

int backups(const CliRequest& request, CliOutput& out) {
    const QString folder = tables::defaultBackupFolder();
    QJsonArray list;
    QStringList lines;
    for (const unitdata::Backup& b : unitdata::listBackups(folder)) {
        if (request.pin != 0 && b.pin != request.pin) {
            continue;
        }
        QJsonObject o{{"path", b.path},
                      {"time", b.when.toString(Qt::ISODate)},
                      {"pin", b.pin},
                      {"source", b.source},
                      {"restorable", b.restorable()}};
        QString line = QStringLiteral("%1  %2  %3  %4")
                           .arg(unitdata::shownTime(b.when), pinName(b.pin), b.source, b.path);
        if (!b.restorable()) {
            o.insert(QStringLiteral("problem"), b.problem);
            line += QStringLiteral("  (cannot be restored: %1)").arg(b.problem);
        }
        list.append(o);
        lines << line;
    }
    if (list.isEmpty()) {
        out.note(QStringLiteral("No backups in ") + folder);
    }
    out.result({{"backups", list}}, lines.join(u'\n'));
    return CliExit::kOk;
}

int restore(const CliRequest& request, CliOutput& out) {
    return restoreBackup(request, request.arguments[0], unitdata::kRestore, out);
}

int restoreBackup(const CliRequest& request, const QString& name, const QString& kind,
                  CliOutput& out) {
    const unitdata::Backup backup = unitdata::readBackup(name);
    // Exactly what was saved goes back, or nothing: a backup changed since is no backup.
    if (!backup.restorable()) {
        out.error(QStringLiteral("%1 cannot be restored: %2").arg(name, backup.problem));
        out.error(QStringLiteral("nothing written"));
        return CliExit::kUsage;
    }
    if (backup.simulated && !request.simulate) {
        out.error(QStringLiteral("%1 is a backup of the simulated unit, never restored into a "
                                 "real unit")
                      .arg(name));
        return CliExit::kUsage;
    }
    if (backup.pin != request.pin) {
        const QString other = QStringLiteral("%1 is a backup of the %2 pin, not %3")
                                  .arg(name, pinName(backup.pin), pinName(request.pin));
        if (!request.force) {
            out.error(other + QStringLiteral(": restore it with --pin %1").arg(backup.pin));
            return CliExit::kUsage;
        }
        out.note(QStringLiteral("warning: ") + other);
    }
    const auto snapshot = tables::TableSnapshot::of(request.pin, *backup.values);
    const int exitCode = programTable(request, snapshot, name, kind, out);
    // The pin's own table is back: a test table it held is over.
    if (exitCode == CliExit::kOk) {
        if (const QString why = unitdata::endOutputTest(unitdata::outputTestPath(), request.pin,
                                                        request.simulate, name);
            !why.isEmpty()) {
            out.note(QStringLiteral("warning: ") + why);
        }
    }
    return exitCode;
}

int history(const CliRequest&, CliOutput& out) {
    const QString path = unitdata::historyPath();
    const unitdata::History history = unitdata::readHistory(path);
    if (!history.error.isEmpty()) {
        out.error(history.error);
        return CliExit::kUsage;
    }
    for (const QString& problem : history.problems) {
        out.note(QStringLiteral("warning: %1: %2").arg(path, problem));
    }
    QJsonArray list;
    QStringList lines;
    for (const unitdata::HistoryEntry& e : history.entries) {
        list.append(QJsonObject{{"time", e.when.toString(Qt::ISODate)},
                                {"program", e.program},
                                {"kind", e.kind},
                                {"port", e.port},
                                {"pin", e.pin},
                                {"source", e.source},
                                {"bytes", QString::fromLatin1(e.bytes.toHex())},
                                {"backup", e.backup},
                                {"outcome", e.outcome}});
        lines << QStringList{unitdata::shownTime(e.when),
                             e.program,
                             e.kind,
                             pinName(e.pin),
                             e.port,
                             e.source,
                             e.outcome}
                     .join(QStringLiteral("  "));
    }
    if (list.isEmpty()) {
        out.note(QStringLiteral("No flash history in ") + path);
    }
    out.result({{"history", list}}, lines.join(u'\n'));
    return CliExit::kOk;
}

}  // namespace cli
