// orvexctl as a script runs it: a process against orvex-sim on a pseudo-terminal, judged by its
// exit code, what it prints and what the unit holds afterwards. Runs under a decimal-comma
// locale too.
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include "ecu/ecu_export.h"
#include "link/device_link.h"
#include "link/qt_serial_port.h"
#include "sim/simulated_unit.h"
#include "support/sim_process.h"
#include "support/table_files.h"
#include "support/test_locale.h"
#include "support/test_window.h"
#include "tables/table_file.h"
#include "tables/tables_page.h"

namespace {

struct Run {
    int code = -1;  // -1: killed by a signal, or still running after a minute
    QString out, err;
    QJsonObject json() const {  // stdout, which must be exactly one object
        QJsonParseError e{};
        const QJsonDocument d = QJsonDocument::fromJson(out.toUtf8(), &e);
        return e.error == QJsonParseError::NoError ? d.object() : QJsonObject();
    }
};

// How orvexctl is started: `interruptWhen` sends `signal` once true; `closedFd` (1 or 2) is a
// pipe whose reader went away, as with "| head".
struct Start {
    std::function<bool()> interruptWhen = {};
    int signal = SIGINT;
    int closedFd = -1;
};

// Starts orvexctl with its settings, backups and simulated unit in `home`.
void start(QProcess& p, const QStringList& args, const QString& home, int closedFd = -1) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state"));
    p.setProcessEnvironment(env);
    p.setChildProcessModifier([fd = closedFd] {
        // As a shell starts it: the signals' default actions.
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGHUP, SIG_DFL);
        int ends[2];
        if (fd >= 0 && ::pipe(ends) == 0) {
            ::close(ends[0]);
            ::dup2(ends[1], fd);
        }
    });
    p.start(qEnvironmentVariable("ORVEXCTL"), args);
}

Run finish(QProcess& p) {
    const bool finished = p.waitForFinished(120000);
    return {finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Runs orvexctl as start() does, and as `how` says.
Run orvexctl(const QStringList& args, const QString& home, const Start& how = {}) {
    QProcess p;
    start(p, args, home, how.closedFd);
    while (how.interruptWhen && !p.waitForFinished(5)) {
        if (how.interruptWhen()) {
            ::kill(static_cast<pid_t>(p.processId()), how.signal);
            break;
        }
    }
    return finish(p);
}

// A unit with its EEPROM in a file (`eeprom` when given), and orvexctl pointed at it.
struct Unit {
    explicit Unit(const QStringList& args = {}, bool paced = false, const QByteArray& eeprom = {})
        : sim(args + (paced ? QStringList() : QStringList{"--no-pacing"}), eeprom) {}
    Run ctl(const QStringList& args, const Start& start = {}) const {
        return orvexctl(QStringList{"--port", sim.device()} + args, dir.path(), start);
    }
    QByteArray table(int start = 0x7A) const {
        return sim.eeprom().mid(start, tables::kTableBytes);
    }
    QString file(const QString& name, const QByteArray& content) const {
        return writeFile(dir.filePath(name), content) ? dir.filePath(name) : QString();
    }
    QTemporaryDir dir;
    SimProcess sim;
};

// Files the failure rows name by key: each is something flash (or restore) must not take as it
// stands.
QByteArray doubtfulFile(const QString& key) {
    const QByteArray lin = column([](int i) { return 60 * i; });  // LIN: a table nobody doubts
    if (key == u"TURNS") {
        return lines([](int i) { return QByteArray::number(std::abs(32 - i) * 100); });
    }
    if (key == u"LOOKUP") {  // an ECU's lookup that turns
        return "volts,afr\r\n0,10\r\n2,14\r\n3,13\r\n5,20\r\n";
    }
    return key == u"SVOUT"     ? savedTable(2)
           : key == u"HEADING" ? "AFR,Volts\r\n" + lin
           : key == u"CUT"     ? savedTable(1).left(300)  // a backup cut short
                               : lin;
}

// The flash history's lines as orvexctl wrote them into `home`, each cut into its fields.
QList<QStringList> historyLines(const QString& home) {
    QList<QStringList> lines;
    for (const QString& line : QString::fromUtf8(readFile(home + "/data/Orvex/history.tsv"))
                                   .split(u'\n', Qt::SkipEmptyParts)
                                   .mid(1)) {
        lines << line.split(u'\t');
    }
    return lines;
}

}  // namespace

class TestOrvexctl : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }

    void commands_doWhatTheyPrintAgainstTheUnit() {
        Unit u;
        QVERIFY(u.sim.started());
        Run r = u.ctl({"info"});
        QCOMPARE(std::pair(r.code, r.out), std::pair(0, QStringLiteral("2.01\n")));
        r = u.ctl({"--json", "send", "v", "g3c"});
        QCOMPARE(r.out,
                 QStringLiteral("{\"outcome\":\"ok\",\"replies\":[{\"command\":\"v\","
                                "\"parameter\":\"2.01\",\"reply\":\"v 2.01\"},{\"command\":"
                                "\"g3c\",\"parameter\":\"000E\",\"reply\":\"g3c 000E\"}]}\n"));
        QCOMPARE(orvexctl({"--version", "--json"}, u.dir.path()).json()[u"outcome"], "ok");

        // A flash backs up first, every read before the first write (what the backup and the unit
        // then hold: trustedLine_backupAndReadRight).
        const QString lin = u.file(QStringLiteral("lin.txt"), column([](int i) { return 60 * i; }));
        qsizetype mark = u.sim.log().size();
        r = u.ctl({"--json", "flash", "--pin", "1", lin});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json()[u"outcome"].toString(), QStringLiteral("verified"));
        const QStringList sent = u.sim.log().mid(mark);
        QCOMPARE(sent.mid(0, 3), (QStringList{"tf", "v", "tf"}));  // greeting, then a run's "tf"
        for (int i = 0; i < 2 * tables::kTableBytes; ++i) {        // each byte read twice
            QCOMPARE(sent.at(3 + i), QString::asprintf("a%04X", 0x7A + i / 2));
        }
        QVERIFY(sent.at(3 + 2 * tables::kTableBytes).startsWith(u"e007A"));

        // Compare finds the flashed table whole, and three entries changed by hand (read -o: the
        // simulate test).
        QCOMPARE(u.ctl({"compare", "--pin", "1", lin}).code, 0);
        const QString changed =
            u.file(QStringLiteral("changed.txt"),
                   column([](int i) { return i == 2 || i == 30 || i == 64 ? 7 : 60 * i; }));
        r = u.ctl({"--json", "compare", "--pin", "1", changed});
        QCOMPARE(r.code, 1);
        QCOMPARE(QJsonDocument(r.json()[u"differences"].toArray()).toJson(QJsonDocument::Compact),
                 QByteArray("[{\"index\":2,\"table\":7,\"unit\":120},{\"index\":30,\"table\":7,"
                            "\"unit\":1800},{\"index\":64,\"table\":7,\"unit\":3840}]"));
        QCOMPARE(r.json()[u"error"], "3 entries differ from the unit");

        // What flash refuses, compare refuses too; forced, both take the values flash programs.
        const QString wild =
            u.file(QStringLiteral("wild.txt"),
                   "nan\r\ninf\r\n1e999\r\n-5\r\n40000\r\n" +
                       lines([](int i) { return QByteArray::number(60 * i + 300); }, 60));
        r = u.ctl({"compare", "--pin", "1", wild});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(u"nothing compared"), qPrintable(r.err));
        QCOMPARE(u.ctl({"flash", "--force", "--pin", "1", wild}).code, 0);
        QCOMPARE(words(u.table()).mid(0, 6), (QList<int>{0, 0, 32767, 0, 32767, 300}));
        QCOMPARE(u.ctl({"compare", "--force", "--pin", "1", wild}).code, 0);

        r = u.ctl({"calibration", "--set", "3700"});
        QCOMPARE(std::pair(r.code, r.out), std::pair(0, QStringLiteral("3700\n")));
        QCOMPARE(u.table(0).left(2), QByteArray("\x0E\x74"));  // saved: high, low

        const QString trace = u.dir.filePath(QStringLiteral("trace.log"));
        QCOMPARE(u.ctl({"trace", "--seconds", "0.5", "-o", trace}).code, 0);
        const QRegularExpression traceLine("^[0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4}\r?$",
                                           QRegularExpression::MultilineOption);
        QVERIFY(QString::fromLatin1(readFile(trace)).count(traceLine) > 3);
        QCOMPARE(u.sim.log().last(), QStringLiteral("tf"));
        const QJsonArray lines =
            u.ctl({"--json", "trace", "--seconds", "0.5"}).json()[u"lines"].toArray();
        QVERIFY(lines.size() > 3);
        QCOMPARE(lines[0], "v 2.01");
        QVERIFY(traceLine.match(lines.last().toString()).hasMatch());
    }

    // --simulate is one unit kept between runs, also by two runs at once; its backups are apart
    // from a real unit's, and they and its tables read say what they are.
    void simulate_unitKeptBetweenRunsBackupsApart() {
        QTemporaryDir home;
        const QString tables[] = {home.filePath("1.txt"), home.filePath("2.txt")};
        QVERIFY(writeFile(tables[0], column([](int i) { return 60 * i; })) &&
                writeFile(tables[1], column([](int i) { return 63 * i; })));
        QProcess one, two;
        start(one, {"--json", "--simulate", "flash", "--pin", "1", tables[0]}, home.path());
        start(two, {"--simulate", "flash", "--pin", "2", tables[1]}, home.path());
        const Run flashed = finish(one);
        QCOMPARE(std::pair(flashed.code, finish(two).code), std::pair(0, 0));
        const Run compared =
            orvexctl({"--simulate", "compare", "--pin", "1", tables[0]}, home.path());
        QVERIFY2(compared.code == 0, qPrintable(compared.err));
        const QString read = home.filePath(QStringLiteral("read.txt"));
        QCOMPARE(orvexctl({"--simulate", "read", "--pin", "2", "-o", read}, home.path()).code, 0);
        QCOMPARE(fileValues(read), fileValues(tables[1]));

        const QString backups = home.filePath(QStringLiteral("data/Orvex/backups"));
        const QString backup = flashed.json()[u"backup"].toString();
        QCOMPARE(QFileInfo(backup).path(), backups + QStringLiteral("/simulated"));
        for (const QString& file : {backup, read}) {
            QVERIFY(readFile(file).contains("\r\n; data source: simulated unit\r\n"));
        }
        QCOMPARE(QDir(backups).entryList(QDir::Files), QStringList());

        QCOMPARE(orvexctl({"--simulate", "calibration", "--set", "3700"}, home.path()).code, 0);
        QCOMPARE(orvexctl({"--simulate", "calibration"}, home.path()).out,
                 QStringLiteral("3700\n"));
    }

    // The window and orvexctl may simulate at once, each with its own copy of the unit. The file
    // gets each write while its writer still runs, and keeps the latest write to every cell, even
    // one that rewrites what the writer's copy held.
    void simulate_twoProgramsAtOnce_latestWriteOfEachCellKept() {
        QTemporaryDir home;
        const QString state = home.filePath(QStringLiteral("state/Orvex/simulated-unit.eeprom"));
        QString error;
        const auto window = SimulatedUnit::start(state, {}, &error);  // a factory unit
        QVERIFY2(window, qPrintable(error));
        const QString lin = home.filePath("lin.txt");
        QVERIFY(writeFile(lin, column([](int i) { return 60 * i + 1; })));
        QCOMPARE(
            orvexctl({"--simulate", "flash", "--no-backup", "--pin", "1", lin}, home.path()).code,
            0);
        DeviceLink link([] { return std::make_unique<QtSerialPort>(); });
        QVERIFY(link.OpenPort(window->devicePath()));
        link.TxString(QStringLiteral("e007A00"));  // the byte the window's copy holds already
        QCOMPARE(link.GetParameter(), QStringLiteral("007A"));
        QTRY_COMPARE(readFile(state).mid(0x7A, 1), QByteArray(1, '\0'));
        const Run r = orvexctl({"--json", "--simulate", "compare", "--pin", "1", lin}, home.path());
        QCOMPARE(QJsonDocument(r.json()[u"differences"].toArray()).toJson(QJsonDocument::Compact),
                 QByteArray("[{\"index\":0,\"table\":1,\"unit\":0}]"));
    }

    // A state file that cannot be used is said, and the unit starts as from the factory (3800),
    // not from whatever the short file began with (3700).
    void simulate_unusableState_factoryUnitAndAWord() {
        QTemporaryDir home;
        const QString state = home.filePath(QStringLiteral("state/Orvex/simulated-unit.eeprom"));
        QVERIFY(QDir().mkpath(QFileInfo(state).path()));
        QVERIFY(writeFile(state, "\x0E\x74short"));
        const Run r = orvexctl({"--simulate", "calibration"}, home.path());
        QCOMPARE(std::pair(r.code, r.out), std::pair(0, QStringLiteral("3800\n")));
        QVERIFY2(r.err.contains(state + QStringLiteral(" holds 7 bytes, not 513")),
                 qPrintable(r.err));
        QCOMPARE(QFileInfo(state).size(), 513);  // replaced, so the next run is quiet
        QVERIFY(!orvexctl({"--simulate", "info"}, home.path()).err.contains(u"could not"));
    }

    // Every failure says why on stderr and, with --json anywhere on the line, in one object on
    // stdout; nothing is claimed, and what was there is kept.
    void failures_exitCodeAndMessageNothingClaimed_data() {
        QTest::addColumn<QStringList>("simArgs");  // empty: no unit at all
        QTest::addColumn<QStringList>("args");     // FIFO, KEEP, LIN, SVOUT...: the test's files
        QTest::addColumn<int>("signal");           // sent once the unit saw AFTER and 10 more
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");  // parts split by |; "!" before a part: not said
        const QStringList flash{"flash", "--pin", "1", "LIN"};
        const auto row = [](const char* tag, const QStringList& sim, const QStringList& args,
                            int code, const char* message, int signal = 0, const char* after = "") {
            QTest::newRow(tag) << sim << args << signal << QString::fromLatin1(after) << code
                               << QString::fromUtf8(message);
        };
        const QStringList silent{"--silent"};
        row("silent unit", silent, {"info"}, 3, "no answer from the unit on /dev/pts/");
        row("silent unit, trace -o", silent, {"trace", "-o", "KEEP"}, 3, "no answer from the unit");
        row("weak cell", {"--weak-cell", "0x90:0xff"}, flash, 1,
            "programming finished with errors at 1 locations: 0090");
        row("lost port", {"--hangup-after", "330"}, flash, 3, "of 130 locations written");
        row("Ctrl+C writing", {}, flash, 130, "interrupted: ", SIGINT, "e00A0");
        row("hang-up writing", {}, flash, 130, "interrupted: ", SIGHUP, "e00A0");
        row("Ctrl+C verifying", {}, flash, 130, "interrupted: all 130 locations written, ", SIGINT,
            "e00FB");
        // A doubtful table is refused with a unit there, the advice naming the fix (each doubt's
        // words are the tables test's); compare refuses what flash would.
        const QStringList unit{"--no-pacing"};
        row("heading line", unit, {"flash", "--pin", "1", "HEADING"}, 2,
            "the first line is a heading and every entry is shifted by one: remove the heading "
            "line|!read as 0|!expecting");
        row("compare, another pin's file", unit, {"compare", "--pin", "1", "SVOUT"}, 2,
            "this file was saved for the SVout pin, not WBlin|nothing compared");
        row("generate beyond 5 V", {}, {"generate", "--pin", "1", "--rich", "5:9"}, 0,
            "warning: 39 values are above 4095 (beyond 5 V), up to 6446");
        row("export, no inverse", {}, {"export", "--pin", "1", "TURNS", "--format", "db"}, 2,
            "The table falls up to entry 32 (lambda 1.0090), then rises");
        row("export, doubtful file", {}, {"export", "--pin", "1", "HEADING", "--format", "dw"}, 2,
            "remove the heading line|nothing exported");
        row("export, csv of 8 bits", {},
            {"export", "--pin", "1", "/no", "--format", "csv", "--adc-bits", "8"}, 2,
            "--adc-bits takes 8 or 10, with --format db or dw");
        row("match, lookup turns", {}, {"generate", "--pin", "1", "--match", "LOOKUP"}, 2,
            "The lookup's mixture rises up to line 3 (2.000 V), then falls");
        row("a pipe as file", {}, {"flash", "--pin", "1", "FIFO"}, 2, ": a pipe, not a file");
        row("no backup", {}, flash, 2,
            "/data is a file, not a folder|warning: flash history not written: ");
        row("restore, cut short", unit, {"restore", "--pin", "1", "CUT"}, 2,
            "cut cannot be restored: truncated: 35 of 65 entries|nothing written");
        row("restore, another pin", unit, {"restore", "--pin", "1", "SVOUT"}, 2,
            "svout is a backup of the SVout pin, not WBlin: restore it with --pin 2");
        row("missing file", {}, {"compare", "--pin", "2", "/no"}, 2, "No File /no");
        row("no port", {}, {"info"}, 3, "no port given (--port) and none saved");
        row("bad pin", {}, {"read", "--pin", "4"}, 2, "read needs --pin 1, 2 or 3");
        row("unknown", {}, {"frob"}, 2, "unknown command");
        row("pin twice", {}, {"read", "--pin", "1", "--pin", "3"}, 2, "--pin given more than once");
        row("-o twice", {}, {"trace", "-o", "KEEP", "-o", "KEEP"}, 2,
            "--output given more than once");
        row("port twice", {}, {"--port", "/dev/a", "--port", "/dev/b", "info"}, 2,
            "--port given more than once");
    }

    void failures_exitCodeAndMessageNothingClaimed() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, args);
        QFETCH(int, signal);
        QFETCH(QString, after);
        QFETCH(int, code);
        QFETCH(QString, message);
        const bool unit = !simArgs.isEmpty() || signal != 0 || args.contains(u"LIN");
        Unit u(simArgs, signal != 0);
        for (QString& arg : args) {
            if (arg == u"FIFO") {
                arg = u.dir.filePath(QStringLiteral("fifo"));
                QVERIFY(::mkfifo(qPrintable(arg), 0600) == 0);
            } else if (arg == u"KEEP") {
                arg = u.file("kept.log", "an earlier trace\n");
            } else if (QRegularExpression(QStringLiteral("^[A-Z]+$")).match(arg).hasMatch()) {
                arg = u.file(arg.toLower(), doubtfulFile(arg));
            }
        }
        if (QTest::currentDataTag() == QByteArrayLiteral("no backup")) {
            QVERIFY(!u.file(QStringLiteral("data"), "not a folder").isEmpty());
        }
        args << QStringLiteral("--json");
        const QByteArray before = u.table();
        Start start;
        start.signal = signal;
        start.interruptWhen = [&] {
            const QStringList log = u.sim.log();
            const qsizetype at = log.indexOf(QRegularExpression(after + ".*"));  // whole lines
            return at >= 0 && log.size() > at + 10;
        };
        const Run r =
            !unit ? orvexctl(args, u.dir.path()) : u.ctl(args, signal != 0 ? start : Start{});
        QCOMPARE(r.code, code);
        for (const QString& part : message.split(u'|')) {
            QVERIFY2(r.err.contains(part.mid(part.startsWith(u'!'))) != part.startsWith(u'!'),
                     qPrintable(r.err));
        }
        QVERIFY2(!r.err.contains(u"--force"), qPrintable(r.err));  // the advice is the fix
        const QJsonObject json = r.json();
        const QString outcome = json[u"outcome"].toString();
        QVERIFY2(code == 0 ? outcome == u"ok"
                           : !outcome.isEmpty() && outcome != u"ok" && outcome != u"verified",
                 qPrintable(r.out));
        QStringList errors = r.err.split(u'\n').filter(QRegularExpression("^orvexctl: "));
        QCOMPARE(json[u"error"].toString(), errors.replaceInStrings("orvexctl: ", "").join(u'\n'));
        const QString kept = u.dir.filePath(QStringLiteral("kept.log"));
        QVERIFY(!QFile::exists(kept) || readFile(kept) == "an earlier trace\n");
        if (code == 2) {
            QCOMPARE(u.table(), before);
        }
        // A run that reached the unit is recorded however it ended; nothing else is.
        const QMap<QByteArray, QString> recorded{{"weak cell", "errors at 1"},
                                                 {"lost port", "lost"},
                                                 {"Ctrl+C writing", "aborted"},
                                                 {"hang-up writing", "aborted"},
                                                 {"Ctrl+C verifying", "aborted"}};
        const QList<QStringList> history = historyLines(u.dir.path());
        QCOMPARE(history.isEmpty() ? QString() : history.last().value(8),
                 recorded.value(QTest::currentDataTag()));
        if (code == 130) {  // what was written is said, and is what the unit holds
            const auto said = QRegularExpression("(\\d+) of 130|all (130)").match(r.err);
            const int written = said.captured(1).toInt() + said.captured(2).toInt();
            QVERIFY(written > 0);
            QCOMPARE(u.table().mid(written), before.mid(written));
            if (written == 130) {
                QCOMPARE(words(u.table()), fileValues(u.dir.filePath(QStringLiteral("lin"))));
            }
        }
    }

    // What read says the unit holds, in each case it can; backups listed newest first and one
    // restored from the list; the history of it all.
    void unitTables_namedListedAndRestored() {
        const QByteArray own = unlikeNeighbours().mid(0x7A, tables::kTableBytes);
        Unit u({}, false, unlikeNeighbours());
        const auto identity = [&u] {
            return u.ctl({"--json", "read", "--pin", "1"}).json()[u"identity"].toString();
        };
        const QString date = QStringLiteral(" 20\\d\\d-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$");
        QCOMPARE(identity(), QStringLiteral("a table of its own"));
        const QString nb = u.file(
            "nb.txt", lines([](int i) { return QByteArray::number(tables::DefaultTables[1][i]); }));
        QCOMPARE(u.ctl({"flash", "--pin", "1", nb}).code, 0);
        QCOMPARE(identity(), QStringLiteral("= built-in NBsim (LSM-11)"));
        const QString lin = u.file("lin.txt", column([](int i) { return 60 * i; }));
        QCOMPARE(u.ctl({"flash", "--pin", "1", lin}).code, 0);
        QVERIFY2(QRegularExpression("^= the table flashed from lin.txt on" + date)
                     .match(identity())
                     .hasMatch(),
                 qPrintable(identity()));

        const QJsonArray listed =
            u.ctl({"--json", "backups", "--pin", "1"}).json()[u"backups"].toArray();
        QCOMPARE(listed.size(), 2);  // newest first: the built-in table's, then the unit's own
        QCOMPARE(fileValues(listed[1][u"path"].toString()), words(own));
        QCOMPARE(listed[0][u"source"].toString(), "unit on " + u.sim.device());
        // The unit's own table written back by other means is known by its backup alone.
        QStringList writes{"send"};
        for (int i = 0; i < tables::kTableBytes; ++i) {
            writes << QString::asprintf("e%04X%02X", 0x7A + i, quint8(own[i]));
        }
        QCOMPARE(u.ctl(writes).code, 0);
        QVERIFY2(QRegularExpression("^= backup of" + date).match(identity()).hasMatch(),
                 qPrintable(identity()));

        const QString kept = listed[0][u"path"].toString();
        QCOMPARE(u.ctl({"restore", "--pin", "1", kept}).code, 0);
        QCOMPARE(words(u.table()), fileValues(kept));
        const QString simulated =
            u.file("sim.txt", readFile(kept).replace("source: unit", "source: simulated unit"));
        const Run refused = u.ctl({"restore", "--pin", "1", simulated});
        QVERIFY2(refused.code == 2 && refused.err.contains(u"never restored into a real unit"),
                 qPrintable(refused.err));

        const QList<QStringList> history = historyLines(u.dir.path());
        QCOMPARE(history.size(), 3);
        QCOMPARE(
            history[2].mid(1),
            (QStringList{"orvexctl", "restore", u.sim.device(), "WBlin", kept,
                         QString::fromLatin1(u.table().toHex()),
                         u.ctl({"--json", "backups"}).json()[u"backups"][0][u"path"].toString(),
                         "verified"}));
        QVERIFY(QDateTime::fromString(history[2][0], Qt::ISODate).isValid());
        const QJsonArray json = u.ctl({"--json", "history"}).json()[u"history"].toArray();
        QCOMPARE(json[1][u"source"].toString(), lin);
        QCOMPARE(json[1][u"outcome"].toString(), QStringLiteral("verified"));
    }

    // test-output: the pin held at a voltage (either decimal mark) and held again, keeping the
    // backup of its own table; what the ECU's reading means; that table put back by restore
    // BACKUP and by --restore, each ending the test; a hold cut off by a lost port still leaves
    // its backup recorded.
    void testOutput_heldExplainedRestoredAndRecorded() {
        Unit u({}, false, unlikeNeighbours());
        const QString lin = u.file("lin.txt", column([](int i) { return 60 * i; }));
        QCOMPARE(u.ctl({"flash", "--pin", "1", lin}).code, 0);
        const QByteArray own = u.sim.eeprom();
        const QString state = u.dir.filePath(QStringLiteral("data/Orvex/output-test.json"));

        const QJsonObject held =
            u.ctl({"--json", "test-output", "--pin", "1", "--volts", "2,5"}).json();
        QCOMPARE(held[u"outcome"].toString(), QStringLiteral("verified"));
        QCOMPARE(words(u.table()), QList<int>(tables::kEntries, 2048));
        const QString backup = held[u"backup"].toString();
        QCOMPARE(fileValues(backup), words(own.mid(0x7A, tables::kTableBytes)));
        QCOMPARE(held[u"restore"].toString(),
                 "orvexctl --port " + u.sim.device() + " test-output --pin 1 --restore");
        const Run again = u.ctl({"test-output", "--pin", "WBlin", "--volts", "1"});
        QCOMPARE(again.code, 0);
        QVERIFY2(again.out.contains("WBlin holds a 1.00 V test table - Restore puts back the table "
                                    "saved at " +
                                    QFileInfo(backup).fileName().mid(11, 8).replace(u'-', u':') +
                                    "\nRestore: orvexctl --port " + u.sim.device() +
                                    " test-output --pin 1 --restore\n"),
                 qPrintable(again.out));
        const QJsonObject reads =
            u.ctl({"--json", "test-output", "--pin", "1", "--ecu-reads", "1,1"}).json();
        QVERIFY2(qAbs(reads[u"offset"].toDouble() - 0.1) < 1e-9 &&
                     reads[u"text"].toString().endsWith(u"AFR leaner than the unit means"),
                 qPrintable(reads[u"text"].toString()));

        QCOMPARE(u.ctl({"restore", "--pin", "1", backup}).code, 0);
        QCOMPARE(u.sim.eeprom(), own);
        QVERIFY(!QFile::exists(state));
        const Run none = u.ctl({"test-output", "--pin", "1", "--restore"});
        QVERIFY2(none.code == 2 && none.err.contains(u"the WBlin pin holds no test table"),
                 qPrintable(none.err));
        QCOMPARE(u.ctl({"test-output", "--pin", "1", "--volts", "4.99"}).code, 0);
        QCOMPARE(u.ctl({"test-output", "--pin", "1", "--restore"}).code, 0);
        QCOMPARE(u.sim.eeprom(), own);
        QVERIFY(!QFile::exists(state));
        QStringList runs;
        for (const QStringList& run : historyLines(u.dir.path())) {
            runs << run[2] + u' ' + run[5] + u' ' + run[8];
        }
        const QString second = historyLines(u.dir.path())[4][7];  // the 4.99 V hold's backup
        QCOMPARE(
            runs,
            (QStringList{"flash " + lin + " verified", "test hold test table 2.50 V verified",
                         "test hold test table 1.00 V verified", "restore " + backup + " verified",
                         "test hold test table 4.99 V verified",
                         "test restore " + second + " verified"}));

        Unit lost({"--hangup-after", "300"}, false, unlikeNeighbours());
        QCOMPARE(lost.ctl({"test-output", "--pin", "1", "--volts", "3"}).code, 3);
        QCOMPARE(historyLines(lost.dir.path()).value(0).value(8), QStringLiteral("lost"));
        QVERIFY(readFile(lost.dir.filePath(QStringLiteral("data/Orvex/output-test.json")))
                    .contains(historyLines(lost.dir.path())[0][7].toUtf8()));
        const Run refused = u.ctl({"test-output", "--pin", "1", "--volts", "5.01"});
        QVERIFY2(refused.code == 2 &&
                     refused.err.contains(u"--volts needs 0.00 to 5.00 in steps of 0.01"),
                 qPrintable(refused.err));
    }

    // What a backup or a read keeps is what the unit holds, whatever the line does; the flash
    // between them is verified.
    void trustedLine_backupAndReadRight_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::newRow("wrong digit") << QStringList{"--wrong-digit-every", "17"};
        QTest::newRow("left tracing, no echo") << QStringList{
            "--tracing", "--trace-after-tf", "3", "--reply-style", "no-echo", "--paced"};
        QTest::newRow("late replies") << QStringList{"--late-every", "23", "--paced"};
    }

    void trustedLine_backupAndReadRight() {
        QFETCH(QStringList, simArgs);
        if (QTest::currentDataTag() == QByteArrayLiteral("late replies") &&
            !qEnvironmentVariableIsSet("ORVEX_SLOW")) {
            QSKIP("two minutes of real waits: run with the slow tests");
        }
        const bool paced = simArgs.removeAll(QStringLiteral("--paced")) > 0;
        const QByteArray eeprom = unlikeNeighbours();
        Unit u(simArgs, paced, eeprom);
        const QString lin = u.file(QStringLiteral("lin.txt"), column([](int i) { return 60 * i; }));
        Run r = u.ctl({"--json", "flash", "--pin", "1", lin});
        QCOMPARE(r.code, 0);
        QCOMPARE(fileValues(r.json()[u"backup"].toString()), words(eeprom.mid(0x7A, 130)));
        QCOMPARE(words(u.table()), fileValues(lin));
        r = u.ctl({"--json", "read", "--pin", "1"});
        QCOMPARE(std::pair(r.code, r.json()[u"bytes"].toString()),
                 std::pair(0, QString::fromLatin1(u.table().toHex())));
    }

    // A reader that went away (| head) costs the output, not the run.
    void closedOutput_flashRunsToTheEnd_data() {
        QTest::addColumn<int>("fd");
        QTest::newRow("stdout") << 1;
        QTest::newRow("stderr") << 2;
    }

    void closedOutput_flashRunsToTheEnd() {
        QFETCH(int, fd);
        Unit u;
        const QString lin = u.file(QStringLiteral("lin.txt"), column([](int i) { return 9 * i; }));
        Start start;
        start.closedFd = fd;
        QCOMPARE(u.ctl({"flash", "--pin", "1", lin}, start).code, 0);
        QCOMPARE(words(u.table()), fileValues(lin));
    }

    void windowAndOrvexctl_sameBytes_data() {
        QTest::addColumn<QStringList>("steps");  // in turn: a click, or name|text typed
        QTest::addColumn<QStringList>("args");
        QTest::newRow("AFR, a mid point")
            << QStringList{"oMidCount(1)", "tLrich|10",          "tVrich|0",          "tLlean|20",
                           "tVlean|5",     "tMidLambda(0)|14.7", "tMidVoltage(0)|2.5"}
            << QStringList{"--rich", "10:0", "--lean", "20:5", "--mid", "14.7:2.5"};
        QTest::newRow("lambda, over and under")
            << QStringList{"oAorL(1)",   "chkOverUnder", "tLrich|0.7",   "tVrich|1",
                           "tLlean|1.3", "tVlean|4",     "tVrUnder|0.5", "tVlOver|4.5"}
            << QStringList{"--lambda", "--rich", "0.7:1",  "--lean", "1.3:4",
                           "--under",  "0.5",    "--over", "4.5"};
        // Another fuel: the page's start mixtures become lambdas through the stoich AFR typed.
        QTest::newRow("lambda, stoich 9.77")
            << QStringList{"tAFRs|9.77", "oAorL(1)"} << QStringList{"--lambda", "--stoich", "9.77"};
    }

    // The same parameters, and the same file, give the window and orvexctl the same 130 bytes.
    void windowAndOrvexctl_sameBytes() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, args);
        TestWindow::clearSettings();
        TestWindow w;
        w.showPage(2);
        w.choose("cboOutputPin", 2);
        for (const QString& step : steps) {
            step.contains(u'|')
                ? w.type(qPrintable(step.section(u'|', 0, 0)), step.section(u'|', 1))
                : w.click(qPrintable(step));
        }
        w.click("btnGenTable");
        QTemporaryDir home;
        const Run r = orvexctl(QStringList{"--json", "generate", "--pin", "2"} + args, home.path());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json()[u"bytes"].toString(),
                 QString::fromLatin1(w.form->tables().model().snapshot().toBytes().toHex()));

        Unit u;
        const QString file =
            u.file(QStringLiteral("t.csv"), column([](int i) { return i * i - i; }));
        w.get<QLineEdit>("txtAFRfilename")->setText(file);
        w.choose("cboEEdata", 1);
        QCOMPARE(u.ctl({"--quiet", "flash", "--pin", "2", file}).code, 0);
        QCOMPARE(u.table(0xFC).toHex(' '),
                 w.form->tables().model().snapshot().toBytes().toHex(' '));
    }

    // The window's export and match, by clicks, write what orvexctl writes for the same table.
    void ecuLookup_windowWritesWhatOrvexctlWrites() {
        TestWindow::clearSettings();
        TestWindow w({.shown = true});
        w.showPage(2);
        w.choose("cboOutputPin", 2);
        w.type("tAFRs", "9.77");  // another fuel, on both sides
        QTemporaryDir home;
        const QString table = home.filePath("t.txt");
        QVERIFY(writeFile(table, column([](int i) { return 17 + i * (i - 1); })));
        w.get<QLineEdit>("txtAFRfilename")->setText(table);
        w.choose("cboEEdata", 1);
        for (int kind = 0; kind < int(ecu::kLookupKinds.size()); ++kind) {
            const ecu::LookupKind& k = ecu::kLookupKinds[kind];
            const QString window = home.filePath(QStringLiteral("w%1").arg(kind));
            const QString ctl = home.filePath(QStringLiteral("c%1").arg(kind));
            w.dialogs.files << window;
            w.dialogs.fileTypes << kind;
            w.click("btnExportEcu");
            QStringList args{"export",   "--pin", "2",  table, "--stoich",   "9.77",
                             "--format", "csv",   "-o", ctl,   "--adc-bits", "10"};
            args[7] = k.format == ecu::Format::Csv  ? "csv"
                      : k.format == ecu::Format::Db ? "db"
                                                    : "dw";
            args.last() = QString::number(k.adcBits);
            QCOMPARE(orvexctl(k.adcBits ? args : args.mid(0, 10), home.path()).code, 0);
            QCOMPARE(readFile(window), readFile(ctl));
        }
        w.get<QLineEdit>("txtAFRfilename")->setText(home.filePath("w2"));  // DB, 10 bits
        w.choose("cboEEdata", 2);
        const Run r = orvexctl({"--json", "generate", "--pin", "2", "--stoich", "9.77", "--match",
                                home.filePath("w2")},
                               home.path());
        QCOMPARE(r.json()[u"bytes"].toString(),
                 QString::fromLatin1(w.form->tables().model().snapshot().toBytes().toHex()));
        QCOMPARE(r.json()[u"limited"].toInt(), 9);  // entries 0 (held with 1) and 57 on
        QVERIFY(w.statusText().startsWith(u"Matched, 9 breakpoints limited: "));
    }

    // A user who may not open the unit's port is told why, and what fixes it; the user who may
    // gets exit 0. CI runs as root, which opens anything: the run drops to nobody.
    void doctor_portThisUserMayNotOpen_saysWhyExit1() {
        const Unit u;
        QVERIFY(u.sim.started());
        const Run mine = u.ctl({"--json", "doctor"});
        QCOMPARE(mine.code, 0);
        QCOMPARE(mine.json()[u"ports"][0][u"summary"].toString(),
                 u.sim.device() + " can be opened.");

        QStringList args{"--json", "doctor", "--port", u.sim.device()};
        QString program = qEnvironmentVariable("ORVEXCTL");
        if (::geteuid() == 0) {
            args.prepend(program);
            args = QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups"} + args;
            program = QStringLiteral("setpriv");
        } else if (::access(QFile::encodeName(u.sim.device()).constData(), R_OK | W_OK) == 0) {
            QSKIP(
                "not root, so the run cannot drop to a user who may not open the pseudo-terminal");
        }
        QProcess p;
        p.start(program, args);
        const Run r = finish(p);
        QCOMPARE(r.code, 1);
        const QJsonObject port = r.json()[u"ports"][0].toObject();
        QCOMPARE(port[u"opens"].toBool(), false);
        QCOMPARE(port[u"summary"].toString(), u.sim.device() + " cannot be opened.");
        const QJsonObject finding = port[u"findings"][0].toObject();
        QCOMPARE(finding[u"case"].toString(), QStringLiteral("not allowed"));
        // The pseudo-terminal's owner, group and mode are the system's (devpts mount options).
        const QRegularExpressionMatch said =
            QRegularExpression(R"(^not allowed: /dev/pts/\d+ \(c[-rwx]{9} \w+ \w+\) .*; you )"
                               R"(\(nobody\) are not in the group (\w+)\.$)")
                .match(finding[u"text"].toString());
        QVERIFY2(said.hasMatch(), qPrintable(r.out));
        QVERIFY(
            finding[u"fix"].toArray().contains("sudo usermod -aG " + said.captured(1) + " nobody"));
    }
};

QTEST_MAIN(TestOrvexctl)
#include "test_orvexctl.moc"
