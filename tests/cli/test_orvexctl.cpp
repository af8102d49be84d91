// orvexctl as a script runs it: a process against orvex-sim on a pseudo-terminal, judged by its
// exit code, what it prints and what the unit holds afterwards. Runs under a decimal-comma
// locale too.
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include "link/device_link.h"
#include "link/qt_serial_port.h"
#include "sim/simulated_unit.h"
#include "support/sim_process.h"
#include "support/test_locale.h"
#include "support/test_window.h"
#include "tables/table_file.h"
#include "tables/tables_page.h"

namespace {

struct Run {
    int code = -1;
    QString out, err;
    QJsonObject json() const {  // the last result line
        return QJsonDocument::fromJson(out.trimmed().section(u'\n', -1).toUtf8()).object();
    }
};

// Starts orvexctl with its settings, backups and simulated unit in `home`.
void start(QProcess& p, const QStringList& args, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("ORVEXCTL"), args);
}

Run finish(QProcess& p) {
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Runs orvexctl as start() does; `interruptWhen` sends Ctrl+C once true.
Run orvexctl(const QStringList& args, const QString& home,
             const std::function<bool()>& interruptWhen = {}) {
    QProcess p;
    start(p, args, home);
    while (interruptWhen && !p.waitForFinished(5)) {
        if (interruptWhen()) {
            ::kill(static_cast<pid_t>(p.processId()), SIGINT);
            break;
        }
    }
    return finish(p);
}

QString fileIn(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size() ? f.fileName()
                                                                              : QString();
}

// A unit with its EEPROM in a file, and orvexctl pointed at it.
struct Unit {
    explicit Unit(const QStringList& args = {}, bool paced = false)
        : sim(args + QStringList{"--eeprom-file", dir.filePath(QStringLiteral("unit.eeprom"))} +
              (paced ? QStringList() : QStringList{"--no-pacing"})) {}
    Run ctl(const QStringList& args, const std::function<bool()>& interruptWhen = {}) const {
        return orvexctl(QStringList{"--port", sim.device()} + args, dir.path(), interruptWhen);
    }
    QByteArray table(int start = 0x7A) const {
        QFile f(dir.filePath(QStringLiteral("unit.eeprom")));
        return f.open(QIODevice::ReadOnly) ? f.readAll().mid(start, tables::kTableBytes) : "";
    }
    QString file(const QString& name, const QByteArray& content) const {
        return fileIn(dir, name, content);
    }
    QTemporaryDir dir;
    SimProcess sim;
};

QByteArray column(const std::function<int(int)>& value) {
    QByteArray text = "; a table\r\n";
    for (int i = 0; i < tables::kEntries; ++i) {
        text += QByteArray::number(value(i)) + ",14.7\r\n";  // a second column is ignored
    }
    return text;
}

QList<int> words(const QByteArray& table) {
    const tables::UnitWords w = tables::unitWords(table);
    return QList<int>(w.begin(), w.end());
}

QList<int> fileValues(const QString& path) {
    const tables::ImportedTable t =
        tables::importTable(tables::parseAfrFile(*tables::readTableFile(path).bytes));
    return QList<int>(t.values.begin(), t.values.end());
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
        QCOMPARE(r.out, QStringLiteral("{\"command\":\"v\",\"parameter\":\"2.01\",\"reply\":\"v "
                                       "2.01\"}\n{\"command\":\"g3c\",\"parameter\":\"000E\","
                                       "\"reply\":\"g3c 000E\"}\n"));

        // A flash backs up first, every read before the first write, and leaves exactly the
        // file's bytes in the unit.
        const QString lin = u.file(QStringLiteral("lin.txt"), column([](int i) { return 60 * i; }));
        const QByteArray before = u.table();
        qsizetype mark = u.sim.log().size();
        r = u.ctl({"--json", "flash", "--pin", "1", lin});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json()[u"outcome"].toString(), QStringLiteral("verified"));
        const QStringList sent = u.sim.log().mid(mark);
        QCOMPARE(sent.mid(0, 3), (QStringList{"tf", "v", "tf"}));  // greeting, then a run's "tf"
        for (int i = 0; i < tables::kTableBytes; ++i) {
            QCOMPARE(sent.at(3 + i), QString::asprintf("a%04X", 0x7A + i));
        }
        QVERIFY(sent.at(3 + tables::kTableBytes).startsWith(u"e007A"));
        QCOMPARE(fileValues(r.json()[u"backup"].toString()), words(before));
        QCOMPARE(fileValues(lin), words(u.table()));

        // Read, then flash what was read: the same table; compare sees three changed entries.
        const QString back = u.dir.filePath(QStringLiteral("back.txt"));
        QCOMPARE(u.ctl({"read", "--pin", "1", "-o", back}).code, 0);
        QCOMPARE(u.ctl({"flash", "--pin", "1", back}).code, 0);
        QCOMPARE(u.ctl({"compare", "--pin", "1", lin}).code, 0);
        const QString changed =
            u.file(QStringLiteral("changed.txt"),
                   column([](int i) { return i == 2 || i == 30 || i == 64 ? 7 : 60 * i; }));
        r = u.ctl({"--json", "compare", "--pin", "1", changed});
        QCOMPARE(r.code, 1);
        QCOMPARE(QJsonDocument(r.json()[u"differences"].toArray()).toJson(QJsonDocument::Compact),
                 QByteArray("[{\"index\":2,\"table\":7,\"unit\":120},{\"index\":30,\"table\":7,"
                            "\"unit\":1800},{\"index\":64,\"table\":7,\"unit\":3840}]"));

        r = u.ctl({"calibration", "--set", "3700"});
        QCOMPARE(std::pair(r.code, r.out), std::pair(0, QStringLiteral("3700\n")));
        QCOMPARE(u.table(0).left(2), QByteArray("\x0E\x74"));  // saved: high, low
        QCOMPARE(u.ctl({"calibration"}).out, QStringLiteral("3700\n"));

        const QString trace = u.dir.filePath(QStringLiteral("trace.log"));
        QCOMPARE(u.ctl({"trace", "--seconds", "0.5", "-o", trace}).code, 0);
        QFile traced(trace);
        QVERIFY(traced.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromLatin1(traced.readAll())
                    .count(QRegularExpression("\r\n[0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4}"
                                              "\r\n")) > 3);
        QCOMPARE(u.sim.log().last(), QStringLiteral("tf"));

        QCOMPARE(orvexctl({"--simulate", "info"}, u.dir.path()).out, QStringLiteral("2.01\n"));
    }

    // --simulate is one unit kept between runs, also by two runs at once; its backups are apart
    // from a real unit's, and they and its tables read say what they are.
    void simulate_unitKeptBetweenRunsBackupsApart() {
        QTemporaryDir home;
        const QString tables[] = {fileIn(home, "1.txt", column([](int i) { return 60 * i; })),
                                  fileIn(home, "2.txt", column([](int i) { return 90 * i; }))};
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
            QFile heading(file);
            QVERIFY(heading.open(QIODevice::ReadOnly));
            QVERIFY(heading.readAll().contains("\r\n; data source: simulated unit\r\n"));
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
        const QString lin = fileIn(home, "lin.txt", column([](int i) { return 60 * i + 1; }));
        QCOMPARE(
            orvexctl({"--simulate", "flash", "--no-backup", "--pin", "1", lin}, home.path()).code,
            0);
        DeviceLink link([] { return std::make_unique<QtSerialPort>(); });
        QVERIFY(link.OpenPort(window->devicePath()));
        link.TxString(QStringLiteral("e007A00"));  // the byte the window's copy holds already
        QCOMPARE(link.GetParameter(), QStringLiteral("007A"));
        const auto cell = [&state](int address) {
            QFile f(state);
            return f.open(QIODevice::ReadOnly) ? f.readAll().at(address) : '?';
        };
        QTRY_COMPARE(cell(0x7A), '\0');
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
        QFile file(state);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("\x0E\x74short") == 7);
        file.close();
        const Run r = orvexctl({"--simulate", "calibration"}, home.path());
        QCOMPARE(std::pair(r.code, r.out), std::pair(0, QStringLiteral("3800\n")));
        QVERIFY2(r.err.contains(state + QStringLiteral(" holds 7 bytes, not 513")),
                 qPrintable(r.err));
        QCOMPARE(QFileInfo(state).size(), 513);  // replaced, so the next run is quiet
        QVERIFY(!orvexctl({"--simulate", "info"}, home.path()).err.contains(u"could not"));
    }

    void failures_exitCodeAndMessageNothingClaimed_data() {
        QTest::addColumn<QStringList>("simArgs");  // empty: no unit at all
        QTest::addColumn<QStringList>("args");     // LIN and DW: the test's files
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QStringList flash{"flash", "--pin", "1", "LIN"};
        QTest::newRow("silent unit") << QStringList{"--silent"} << QStringList{"info"} << 3
                                     << "no answer from the unit on /dev/pts/";
        QTest::newRow("weak cell") << QStringList{"--weak-cell", "0x90:0xff"} << flash << 1
                                   << "programming finished with errors at 1 locations: 0090";
        QTest::newRow("lost port")
            << QStringList{"--hangup-after", "200"} << flash << 3 << "of 130 locations written";
        QTest::newRow("paced, Ctrl+C") << QStringList{"--paced"} << flash << 130 << "interrupted: ";
        QTest::newRow("doubtful file")
            << QStringList{"--paced"} << QStringList{"flash", "--pin", "1", "DW"} << 2
            << "65 lines without a number were read as 0";
        QTest::newRow("missing file")
            << QStringList() << QStringList{"compare", "--pin", "2", "/no"} << 2 << "No File /no";
        QTest::newRow("bad pin") << QStringList() << QStringList{"read", "--pin", "4"} << 2
                                 << "read needs --pin 1, 2 or 3";
        QTest::newRow("unknown") << QStringList() << QStringList{"frob"} << 2 << "unknown command";
    }

    void failures_exitCodeAndMessageNothingClaimed() {
        QFETCH(QStringList, simArgs);
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const bool paced = simArgs.removeAll(QStringLiteral("--paced")) > 0;
        Unit u(simArgs, paced);
        args.replaceInStrings(QStringLiteral("LIN"),
                              u.file("lin.txt", column([](int i) { return 60 * i; })));
        args.replaceInStrings(QStringLiteral("DW"),
                              u.file("dw.txt", QByteArray("DW 2800\r\n").repeated(65)));
        const QByteArray before = u.table();
        const Run r = simArgs.isEmpty() && !paced
                          ? orvexctl(args, u.dir.path())
                          : u.ctl(args, [&] { return paced && u.sim.log().size() > 200; });
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QVERIFY(!r.out.contains(u"verified"));
        if (code == 130) {  // what was written is said, and is what the unit holds
            const int written =
                QRegularExpression("(\\d+) of 130").match(r.err).captured(1).toInt();
            QVERIFY(written > 0 && written < 130);
            QCOMPARE(u.table().mid(written), before.mid(written));
        }
    }

    void windowAndOrvexctl_sameBytes_data() {
        QTest::addColumn<QStringList>("boxes");  // name|text as typed on the page
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("AFR, a mid point")
            << QStringList{"tLrich|10", "tVrich|0",           "tLlean|20",
                           "tVlean|5",  "tMidLambda(0)|14.7", "tMidVoltage(0)|2.5"}
            << QStringList{"oMidCount(1)"}
            << QStringList{"--rich", "10:0", "--lean", "20:5", "--mid", "14.7:2.5"};
        QTest::newRow("lambda, over and under")
            << QStringList{"tLrich|0.7", "tVrich|1",     "tLlean|1.3",
                           "tVlean|4",   "tVrUnder|0.5", "tVlOver|4.5"}
            << QStringList{"oAorL(1)", "chkOverUnder"}
            << QStringList{"--lambda", "--rich", "0.7:1",  "--lean", "1.3:4",
                           "--under",  "0.5",    "--over", "4.5"};
    }

    // The same parameters, and the same file, give the window and orvexctl the same 130 bytes.
    void windowAndOrvexctl_sameBytes() {
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, clicks);
        QFETCH(QStringList, args);
        TestWindow::clearSettings();
        TestWindow w;
        w.showPage(2);
        w.choose("cboOutputPin", 2);
        for (const QString& name : clicks) {
            w.click(qPrintable(name));
        }
        for (const QString& box : boxes) {
            w.type(qPrintable(box.section(u'|', 0, 0)), box.section(u'|', 1));
        }
        w.click("btnGenTable");
        QTemporaryDir home;
        const Run r = orvexctl(QStringList{"--json", "generate", "--pin", "2"} + args, home.path());
        QCOMPARE(r.code, 0);
        QCOMPARE(r.json()[u"bytes"].toString(),
                 QString::fromLatin1(w.form->tables().model().snapshot().toBytes().toHex()));

        Unit u;
        const QString file =
            u.file(QStringLiteral("t.csv"), column([](int i) { return 3 * i * i; }));
        w.get<QLineEdit>("txtAFRfilename")->setText(file);
        w.choose("cboEEdata", 1);
        QCOMPARE(u.ctl({"--quiet", "flash", "--pin", "2", file}).code, 0);
        QCOMPARE(u.table(0xFC).toHex(' '),
                 w.form->tables().model().snapshot().toBytes().toHex(' '));
    }
};

QTEST_MAIN(TestOrvexctl)
#include "test_orvexctl.moc"
