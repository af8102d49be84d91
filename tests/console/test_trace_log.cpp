// The CSV trace log as a spreadsheet reads it: the window's log with its marks, and orvexctl's
// rows from orvex-sim. Runs under a decimal-comma locale too.
#include <QCheckBox>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/sim_process.h"
#include "support/test_locale.h"
#include "support/test_window.h"

namespace {

// Rows of fields as RFC 4180 has them: quoted fields may hold commas and doubled quotes.
QList<QStringList> readCsv(const QString& path) {
    QFile file(path);
    const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : "";
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted && c == u'"' && text.mid(i + 1, 1) == u"\"") {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (!quoted && c == u',') {
            row << std::exchange(field, {});
        } else if (!quoted && c == u'\n' && field.endsWith(u'\r')) {
            field.chop(1);
            rows << (row << std::exchange(field, {}));
            row.clear();
        } else {
            field += c;
        }
    }
    return rows;
}

// What every reader relies on: the header, six columns, times in order, and trace rows that are
// the lines `twin` (a unit like the one that sent them) sends, in decimal: the first `fromUnit`
// (all when -1). Counts the trace rows and keeps the notes.
void checkRows(const QList<QStringList>& rows, UnitModel twin, qsizetype fromUnit,
               qsizetype* traces, QStringList* notes) {
    QCOMPARE(rows.value(0).join(u','), "time,ipx,field2,field3,field4,note");
    const QRegularExpression iso(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}$)");
    QString previous;
    for (const QStringList& row : rows.mid(1)) {
        QVERIFY2(row.size() == 6 && iso.match(row[0]).hasMatch() && row[0] >= previous,
                 qPrintable(row.join(u'|')));
        previous = row[0];
        if (row[1].isEmpty()) {
            *notes << row[5];
        } else if ((*traces)++ < fromUnit || fromUnit < 0) {
            const QList<QByteArray> line = twin.traceLine().trimmed().split(' ');
            for (int f = 0; f < 4; ++f) {
                QCOMPARE(row[f + 1], QString::number(line[f].toInt(nullptr, 16)));
            }
        }
    }
}

}  // namespace

class TestTraceLog : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }

    void windowLog_rowsNotesAndMarksOnAnyPage() {
        TestWindow w({.unit = {.noise = 3, .seed = 5}, .shown = true});
        QVERIFY(w.active());
        w.port().setTraceIntervalMs(2);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("trace.CSV"));
        auto* box = w.get<QCheckBox>("chkLogFile");
        w.dialogs.files << path;
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked() && w.get("btnMark")->isEnabled());
        w.click("btnStartTrace");
        QTRY_VERIFY(w.model->traceLineCount() >= 150);
        w.port().feed("a note, \"quoted\"\r\n");
        QTRY_VERIFY(w.data().contains(u"quoted"));  // a mark goes in at once, data on the tick
        w.click("btnMark");
        QTRY_VERIFY(w.model->traceLineCount() >= 300);
        w.showPage(1);  // leaving "Comms" stops the trace; Ctrl+M works on every page
        QTest::keyClick(w.get("txtData"), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(w.statusText(), "Mark 2 written to the log");
        w.settle();
        w.port().feed("1234 00");  // a line in two reads, ended by LF alone
        QTRY_VERIFY(w.data().endsWith(u"00"));
        w.port().feed("AB 0001 ffff\n");
        QTRY_VERIFY(w.data().endsWith(u"ffff\n"));
        w.showPage(0);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!w.get("btnMark")->isEnabled());

        const QList<QStringList> rows = readCsv(path);
        QStringList notes;
        qsizetype traces = 0;
        const qsizetype sent = w.model->traceLineCount();
        checkRows(rows, UnitModel(w.model->options()), sent, &traces, &notes);
        QCOMPARE(traces, sent + 1);  // and the line fed in two parts:
        QCOMPARE(rows.last().mid(1).join(u' '), "4660 171 1 65535 ");
        QCOMPARE(notes.filter(QRegularExpression("^(v |a note|mark)")),
                 (QStringList{"v 2.01", "a note, \"quoted\"", "mark 1", "mark 2"}));

        w.dialogs.files << dir.filePath(QStringLiteral("gone/trace.csv"));
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(w.statusText().startsWith(u"Log file error: ") && !box->isChecked());
    }

    void orvexctl_sameRows() {
        const QStringList unit{"--no-pacing", "--trace-interval-ms", "2", "--noise", "3", "--seed",
                               "5",           "--reply-style",       "lf"};
        SimProcess sim(unit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ctl.csv"));
        QProcess ctl;
        ctl.start(qEnvironmentVariable("ORVEXCTL"),
                  {"--port", sim.device(), "trace", "--csv", "--seconds", "0.5", "-o", path});
        QVERIFY(ctl.waitForFinished(30000) && ctl.exitCode() == 0);
        const QList<QStringList> rows = readCsv(path);
        QStringList notes;
        qsizetype traces = 0;
        checkRows(rows, UnitModel({.replyStyle = ReplyStyle::LfOnly, .noise = 3, .seed = 5}), -1,
                  &traces, &notes);
        QVERIFY2(traces > 100 && notes == QStringList{"v 2.01"}, qPrintable(notes.join('|')));
    }
};

QTEST_MAIN(TestTraceLog)
#include "test_trace_log.moc"
