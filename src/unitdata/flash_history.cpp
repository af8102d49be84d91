#include "unitdata/flash_history.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tables/table_defaults.h"
#include "tables/table_file.h"

namespace unitdata {

namespace {

const QStringList kColumns{"time",   "program", "kind",   "port",   "pin",
                           "source", "bytes",   "backup", "outcome"};
constexpr qint64 kMaxHistoryBytes = 64 * 1024 * 1024;  // years of flashes; more is not ours

QString escaped(QString field) {
    return field.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'\t', QStringLiteral("\\t"))
        .replace(u'\n', QStringLiteral("\\n"))
        .replace(u'\r', QStringLiteral("\\r"));
}

QString unescaped(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != u'\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar next = field[++i];
        out += next == u't'   ? QChar(u'\t')
               : next == u'n' ? QChar(u'\n')
               : next == u'r' ? QChar(u'\r')
                              : next;
    }
    return out;
}

int pinOfShortName(const QString& name) {
    for (int pin = 1; pin < tables::kPinItems; ++pin) {
        if (tables::pinShortName(pin) == name) {
            return pin;
        }
    }
    return 0;
}

QString systemError() {
    QString why = qt_error_string(errno);
    why[0] = why[0].toLower();
    return why;
}

}  // namespace

QString outcomeText(Outcome outcome, int failedLocations) {
    switch (outcome) {
        case Outcome::Verified:
            return QStringLiteral("verified");
        case Outcome::Errors:
            return QStringLiteral("errors at %1").arg(failedLocations);
        case Outcome::Aborted:
            return QStringLiteral("aborted");
        case Outcome::Lost:
            break;
    }
    return QStringLiteral("lost");
}

QString historyPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvex/history.tsv");
}

QString historyLine(const HistoryEntry& e) {
    // The offset keeps a record read in another time zone, or after a clock change, right.
    const QDateTime when = e.when.toOffsetFromUtc(e.when.offsetFromUtc());
    const QStringList fields{when.toString(Qt::ISODate),
                             e.program,
                             e.kind,
                             e.port,
                             tables::pinShortName(e.pin),
                             e.source,
                             QString::fromLatin1(e.bytes.toHex()),
                             e.backup,
                             e.outcome};
    QStringList out;
    for (const QString& f : fields) {
        out << escaped(f);
    }
    return out.join(u'\t');
}

QString appendHistory(const QString& path, const HistoryEntry& entry) {
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("cannot make the folder ") + folder;
    }
    // O_NONBLOCK: a pipe put in the file's place must not hold the flash up.
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + systemError();
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("cannot write ") + path + QStringLiteral(": not a plain file");
    }
    QByteArray text;
    if (st.st_size == 0) {
        text = kColumns.join(u'\t').toUtf8() + '\n';
    }
    text += historyLine(entry).toUtf8() + '\n';
    // One write: two programs appending at once never mix their lines.
    const ssize_t written = ::write(fd, text.constData(), static_cast<size_t>(text.size()));
    const QString why =
        written < 0 ? systemError() : QStringLiteral("only part of the line was written");
    const bool closed = ::close(fd) == 0;
    if (written != text.size() || !closed) {
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + why;
    }
    return QString();
}

History readHistory(const QString& path) {
    History history;
    if (!QFileInfo::exists(path)) {
        return history;
    }
    QFile file(path);
    if (!QFileInfo(path).isFile() || QFileInfo(path).size() > kMaxHistoryBytes ||
        !file.open(QIODevice::ReadOnly)) {
        history.error = QStringLiteral("Cannot read ") + path;
        return history;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = QString::fromUtf8(lines[n]);
        if (line.endsWith(u'\r')) {
            line.chop(1);  // a file saved by an editor that ends lines with CR LF
        }
        if (line.isEmpty() || (n == 0 && line.startsWith(QStringLiteral("time\t")))) {
            continue;
        }
        const QStringList f = line.split(u'\t');
        const QString where = QStringLiteral("line %1: ").arg(n + 1);
        if (f.size() < kColumns.size()) {
            history.problems
                << where + QStringLiteral("%1 fields, not %2").arg(f.size()).arg(kColumns.size());
            continue;
        }
        HistoryEntry e;
        e.when = QDateTime::fromString(f[0], Qt::ISODate);
        e.program = unescaped(f[1]);
        e.kind = unescaped(f[2]);
        e.port = unescaped(f[3]);
        e.pin = pinOfShortName(f[4]);
        e.source = unescaped(f[5]);
        e.bytes = QByteArray::fromHex(f[6].toLatin1());
        e.backup = unescaped(f[7]);
        e.outcome = unescaped(f[8]);
        if (!e.when.isValid() || e.pin == 0) {
            history.problems << where + (e.pin == 0 ? QStringLiteral("no pin")
                                                    : QStringLiteral("no time"));
            continue;
        }
        history.entries.append(e);
    }
    return history;
}

}  // namespace unitdata
