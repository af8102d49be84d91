// The "AFR Tables" page: generation, list, file import and graph, under a decimal-comma locale too.
#include <QClipboard>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "support/table_files.h"
#include "support/test_locale.h"
#include "support/test_window.h"
#include "tables/afr_file_import.h"
#include "tables/ecu_actions.h"
#include "tables/tables_page.h"

namespace {

enum Source { kLinear, kFile, kMatch, kSvCompat, kNbSim };

struct Page : TestWindow {
    QTemporaryDir dir;
    Page() : TestWindow({.shown = true}) { showPage(2); }
    const auto& model() { return form->tables().model(); }
    int word(int table, int index) { return model().imageWord(table, index); }
    QStringList list() const {
        QStringList lines;
        for (int i = 0; i < get<QListWidget>("lstEETable")->count(); ++i) {
            lines.append(get<QListWidget>("lstEETable")->item(i)->text());
        }
        return lines;
    }
    QString box(const char* name) const { return get<QLineEdit>(name)->text(); }
    QString lastQuestion() const {
        return dialogs.asked.isEmpty()
                   ? QString()
                   : dialogs.asked.last().title + '|' + dialogs.asked.last().text;
    }
    // A file in the test's folder, named in the file box (a failed write leaves the box empty).
    QString file(const QString& name, const QByteArray& bytes) {
        const bool written = writeFile(dir.filePath(name), bytes);
        get<QLineEdit>("txtAFRfilename")->setText(written ? dir.filePath(name) : QString());
        return dir.filePath(name);
    }
    // Straight to the box's filter: offscreen there is no drag session to route a drop.
    bool drop(const QList<QUrl>& urls, const QString& text = {}) {
        QMimeData data;
        urls.isEmpty() ? data.setText(text) : data.setUrls(urls);
        QObject& filter = form->tables().fileImport();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        filter.eventFilter(get("txtAFRfilename"), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        filter.eventFilter(get("txtAFRfilename"), &event);
        return enter.isAccepted();
    }
    // Whether the curve passes within a pixel of entry k at `value` (9 pixels convert exactly).
    bool curveAt(int k, double value) const {
        const QImage img = get("p1")->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const double x = ((tables::LambdaPoints[k] - 0.5) * 100 / 3 + 14) * img.width() / 118;
        const QImage near = img.copy(x - 1, (105 - value / 40.96) * img.height() / 120 - 1, 3, 3);
        return near.convertToFormat(QImage::Format_Indexed8).colorTable().contains(qRgb(0, 0, 255));
    }
};

}  // namespace

class TestTablesPage : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void initTestCase() { requireTestLocale(); }
    void init() { TestWindow::clearSettings(); }

    void generation_storesListsRefusesAndRebuilds() {
        Page p;
        p.choose("cboOutputPin", 2);
        // The listing's lines: the tables test.
        QVERIFY(p.data().startsWith("Output Pin = SVout (10 bit PWM). Table Address = 00FC.\r\n"));
        QCOMPARE(p.list()[32] + ' ' + p.list()[64], "32\t2388 64\t4095");
        QVERIFY(p.model().bTableGenerated() && p.model().bTableStored());
        // Another pin regenerates there and keeps the first table in the image.
        p.type("tVrich", "1.00");
        p.choose("cboOutputPin", 3);
        QCOMPARE(QList<int>({p.word(0xFC, 1), p.word(0x17E, 0)}), QList<int>({43, 819}));
        // A built-in table leaves bTableGenerated as it was and goes into whichever pin is chosen.
        p.choose("cboEEdata", kNbSim);
        QVERIFY(p.model().bTableGenerated());
        p.choose("cboOutputPin", 1);
        QCOMPARE(p.word(0x7A, 0), 721);
        p.choose("cboOutputPin", 0);  // what the image keeps then: the tables test
        QVERIFY(p.list().isEmpty() && p.data().isEmpty());
        p.click("btnGenTable");
        QCOMPARE(p.statusText(), "No Table Selected");
        p.choose("cboOutputPin", 1);
        p.choose("cboEEdata", kSvCompat);
        p.click("oDorH(1)");
        QCOMPARE(p.list()[0], "0\t0347");
        p.click("oDorH(2)");
        p.click("oIorA(1)");
        QCOMPARE(p.list()[64], "00FA\tCD, 0C");
        p.click("btnExportAFR");
        QCOMPARE(QGuiApplication::clipboard()->text(), p.list().join("\r\n") + "\r\n");
        p.choose("cboEEdata", kLinear);
        QCOMPARE(p.list()[64], "00FA\tFF, 0F");
        const auto stored = p.model().image();
        // Lambda and back: 19.00 becomes 19.01 through the three-decimal lambda.
        p.click("oAorL(1)");
        QCOMPARE(p.box("tLrich") + ' ' + p.box("tMidLambda(0)") + ' ' + p.box("tLlean"),
                 "0.612 1.000 1.293");
        p.click("oAorL(0)");
        p.click("oAorL(0)");  // a second click on the chosen option converts nothing
        QCOMPARE(p.box("tLrich") + ' ' + p.box("tLlean"), "9.00 19.01");
        p.type("tAFRs", "6.4");  // another fuel: its own stoich AFR converts
        p.click("oAorL(1)");
        QCOMPARE(p.box("tLrich") + ' ' + p.box("tMidLambda(1)") + ' ' + p.box("tLlean"),
                 "1.406 2.297 2.970");
        p.click("oAorL(0)");
        p.type("tAFRs", "0");
        p.type("tVlean", "45");  // a table unlike the stored one, were it not refused
        p.click("oAorL(1)");
        QVERIFY(p.get<QAbstractButton>("oAorL(0)")->isChecked());
        p.click("btnGenTable");  // refused (each check's words: the tables test)
        QCOMPARE(p.statusText(), "Stoich AFR must be greater than 0");
        QCOMPARE(p.statusColour(), QColor(Qt::red));
        QCOMPARE(p.model().image(), stored);
        p.type("tAFRs", "14.7");
        p.click("btnGenTable");
        QCOMPARE(p.statusText(), "Values out of range were limited to 0..32767");
        QCOMPARE(p.list()[64], "00FA\tFF, 7F");
        const qsizetype mark = p.mark();
        p.click("btnFlashTable");  // beyond 5 V: asked first, whatever the source
        QVERIFY(p.lastQuestion().contains(u"values are above 4095 (beyond 5 V)"));
        QCOMPARE(p.sentSince(mark), QStringList());
    }

    void graphAndFileImport_followPageAndSources() {
        Page p;
        auto* p1 = p.get("p1");
        p.click("chkGraph");
        QVERIFY(p1->size().isEmpty());  // no pin: nothing laid out or drawn
        p.choose("cboOutputPin", 1);
        QVERIFY(p1->geometry().contains(p.get("txtData")->geometry()));
        QVERIFY(p.curveAt(24, 1568) && p.curveAt(36, 3339));
        p.type("tVlean", "2.50");
        p.click("btnGenTable");
        QVERIFY(p.curveAt(36, 1669) && !p.curveAt(36, 3339));  // half the volts
        p.get<QLineEdit>("txtAFRfilename")->setText(QStringLiteral("/no/such.txt"));
        p.choose("cboEEdata", kFile);  // nothing read: no curve, while the graph stays open
        QCOMPARE(p.statusText(), "No File /no/such.txt");
        QVERIFY(!p.curveAt(36, 1669) && !p1->size().isEmpty());
        p.choose("cboEEdata", kLinear);
        const QRect shown = p1->geometry();
        p.showPage(0);
        QVERIFY(p1->size().isEmpty());
        QVERIFY(p.get<QAbstractButton>("chkGraph")->isChecked());  // the box stays as it was
        p.showPage(2);
        QCOMPARE(p1->geometry(), shown);
        p.form->resize(p.form->width() + 120, p.form->height() + 90);
        QTRY_VERIFY(p1->geometry().contains(p.get("txtData")->geometry()));
        p.click("btnFlashTable");  // a run turns the graph off first
        QVERIFY(p1->size().isEmpty());

        const QByteArray numbered = lines([](int i) { return QByteArray::number(1000 + i); }, 67);
        const QString full = p.file("t.txt", "; heading\n!pin 1 table\n" + numbered);
        p.click("cmdGOfile");
        QCOMPARE(p.statusText(), "Read file " + full);  // after "Extra entries"
        QCOMPARE(QList<int>({p.word(0x7A, 64), p.word(0xFC, 0)}), QList<int>({1064, 0}));
        QVERIFY(p.get<DataArea>("txtAFRfileData")->text().startsWith("pin 1 table\r\n1000\r\n"));
        p.choose("cboOutputPin", 0);
        const auto before = p.model().image();
        p.click("cmdGOfile");
        QCOMPARE(p.model().image(), before);
        p.choose("cboOutputPin", 1);
        const QString b = p.file("b.txt", "22\n"), a = p.file("a.txt", "11\n");
        p.dialogs.files << b << QString();  // then Cancel: the preset name is read again
        p.click("cmdAFRfilename");
        QCOMPARE(p.dialogs.fileRequests.first(), (std::pair{a, AfrFileImport::kFilter}));
        QCOMPARE(p.word(0x7A, 0), 22);
        p.click("cmdAFRfilename");
        QCOMPARE(p.box("txtAFRfilename"), b);
        QVERIFY(p.drop({QUrl::fromLocalFile(a)}));
        QCOMPARE(p.word(0x7A, 0), 11);
        p.drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QCOMPARE(p.box("txtAFRfilename"), QString());
        QCOMPARE(p.word(0x7A, 0), 11);
        QVERIFY(!p.drop({}, "1234"));
        p.click("cmdCopyallFile");
        p.click("cmdClearFile");
        QCOMPARE(p.get<DataArea>("txtAFRfileData")->text(), QString());
        p.click("cmdPasteFile");  // what the copy put on the clipboard
        QCOMPARE(p.get<DataArea>("txtAFRfileData")->text(), "11\r\n");
    }

    void savedTables_reimportEqualTextAndWarnings() {
        Page p;
        p.choose("cboOutputPin", 1);
        const QString saved = p.dir.filePath(QStringLiteral("saved.txt"));
        // Every built-in table and a generated one come back value for value.
        for (int source : {0, 3, 4, 5}) {  // linear, then the three built-in tables
            p.choose("cboEEdata", source);
            const auto table = p.model().TableData();
            p.dialogs.files.enqueue(saved);
            p.click("btnSaveTable");
            QCOMPARE(p.statusText(), "Saved table to " + saved);
            p.get<QLineEdit>("txtAFRfilename")->setText(saved);
            p.choose("cboEEdata", kFile);
            QCOMPARE(p.model().TableData(), table);
        }
        // A column pasted from a spreadsheet, read by the file's rules.
        p.get<DataArea>("txtAFRfileData")
            ->setText(QStringLiteral("AFR\r\n") + QStringLiteral("1200\r\n").repeated(65));
        p.click("cmdUseText");
        QCOMPARE(p.word(0x7A, 0), 0);  // the heading took entry 0
        QCOMPARE(p.word(0x7A, 1), 1200);
        QCOMPARE(p.statusText(), QStringLiteral("Read text - 1 lines without a number were read "
                                                "as 0 (first: line 1)"));
        // Another pin's saved file, with a heading line and an index column: Flash names it all
        // in one question, and No leaves the unit alone.
        p.file(QStringLiteral("index.csv"),
               "; pin: SVout (10 bit PWM)\r\nindex,value\r\n" +
                   lines([](int i) { return QByteArray::number(i) + ",2000"; }));
        p.click("cmdGOfile");
        const qsizetype mark = p.mark();
        p.click("btnFlashTable");
        QCOMPARE(p.lastQuestion(),
                 QStringLiteral("Flash|This table looks wrong:\n- the first line is a heading and "
                                "every entry is shifted by one: remove the heading line\n- this "
                                "file was saved for the SVout pin, not WBlin\n- the first column "
                                "is an index (0, 1, 2 ... 64), not the values: put the values in "
                                "the first column\nProgram it anyway?"));
        QCOMPARE(p.statusText(), "Nothing programmed");
        QCOMPARE(p.sentSince(mark), QStringList());
    }

    void ecuLookup_matchedThroughTheFileBoxExportedFromTheTabRow() {
        Page p;
        QVERIFY(p.get("btnExportEcu")->isVisible());  // beside the page's tab, with the page only
        p.showPage(0);
        QVERIFY(!p.get("btnExportEcu")->isVisible());
        p.showPage(2);
        p.choose("cboOutputPin", 3);
        const QString lookup = p.file("ecu.inc", "volts,afr\r\n0,10\r\n5,20\r\n");
        p.choose("cboEEdata", kMatch);  // read at once, as a table file is
        QCOMPARE(p.statusText(), "Matched, 32 breakpoints limited: " + lookup);
        QCOMPARE(p.statusColour(), QColor(Qt::red));
        QCOMPARE(p.word(0x17E, 32), 1979);  // the match's volts: the ECU test
        p.click("cmdAFRfilename");          // cancelled; the dialog offers lookups now
        QCOMPARE(p.dialogs.fileRequests.last(), (std::pair{lookup, EcuActions::kLookupFilter}));
        p.get<DataArea>("txtAFRfileData")->setText("0,20\r\n5,10\r\n");  // pasted, falling
        p.click("cmdUseText");
        QCOMPARE(p.word(0x17E, 32), 2116);
        // No inverse: refused before a file is asked for.
        p.file("turns.txt",
               lines([](int i) { return QByteArray::number(std::abs(32 - i) * 100); }));
        p.choose("cboEEdata", kFile);
        const qsizetype asked = p.dialogs.fileRequests.size();
        p.click("btnExportEcu");
        QVERIFY(p.statusText().startsWith("The table falls up to entry 32 (lambda 1.0090), then "));
        QCOMPARE(p.dialogs.fileRequests.size(), asked);
        p.choose("cboEEdata", kSvCompat);
        const QString out = p.dir.filePath("sv.inc");
        p.dialogs.files << out;
        p.dialogs.fileTypes << 3;
        p.click("btnExportEcu");
        QCOMPARE(p.dialogs.fileRequests.last().first, "NBout-ecu.csv");
        QCOMPARE(p.statusText(), "Saved ECU lookup (DW lines, 8-bit ADC) to " + out);
        QVERIFY(readFile(out).endsWith("\r\n\tDW 9999 ; 255 - 5.000\r\n"));
    }
};

QTEST_MAIN(TestTablesPage)
#include "test_tables_page.moc"
