// One EEPROM location's attempts and a whole run, against a scripted unit.
#include <QHash>
#include <QRegularExpression>
#include <QTest>

#include <functional>

#include "eeprom/eeprom_programmer.h"
#include "link/hex_text.h"
#include "link/reply_text.h"
#include "support/recording.h"
#include "support/scripted_dialogs.h"

namespace {

// A unit on a line that keeps what nobody collected: each command's reply (no echo, as some units
// answer) joins a queue and each wait takes the oldest, so one stray reply shifts every answer
// after it until the line is drained. "e" stores the byte and answers the address, "a" answers
// the byte, unless `reply` gives the whole reply text (a null text: as usual). Cells in `weak`
// lose those bits; every `wrongEvery`-th read reply names a byte one off.
struct Line final : EepromLink {
    bool aborted() const override { return abortFlag; }
    void send(const QString& c) override {
        sent.append(c);
        const int address = hexVal(c.mid(1, 4));
        if (const QString r = reply ? reply(c) : QString(); !r.isNull()) {
            queue.append(r);
        } else if (c.startsWith(u'e')) {
            eeprom[address] = hexVal(c.mid(5, 2)) & ~weak.value(address);
            queue.append(QStringLiteral(" ") + c.mid(1, 4) + QStringLiteral("\r\n\r\n"));
        } else {
            const bool wrong = wrongEvery > 0 && ++reads % wrongEvery == 0;
            queue.append(QStringLiteral(" ") + hex4(eeprom.value(address) ^ (wrong ? 1 : 0)) +
                         QStringLiteral("\r\n\r\n"));
        }
    }
    QString getParameter() override {
        last = queue.isEmpty() ? QString() : queue.takeFirst();
        return replyParameter(last).toString();
    }
    QString lastReply() const override { return last; }
    bool drain(Quiet) override {
        queue.clear();
        return true;
    }

    QStringList queue;
    QStringList sent;
    QString last;
    bool abortFlag = false;
    std::function<QString(const QString&)> reply;
    QHash<int, int> eeprom, weak;
    int wrongEvery = 0, reads = 0;
    QHash<int, quint8> image;
    RecordingStatus status;
    TextDataView log;
    ScriptedDialogs dialogs;
    EepromProgrammer programmer{*this, status, log, dialogs, [this](int a) { return image[a]; }};
};

}  // namespace

class TestEeprom : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void strayReply_neverTakenForTheNextCommand();
    void read_eachByteTwiceDisagreementReadAgain();
    void location_confirmedOrRetriedFiveTimes() {
        Line r;
        r.image[0x17E] = 0xA0;
        QVERIFY(r.programmer.ProgEElocation(0x17E));
        QCOMPARE(r.sent, QStringList{"e017EA0"});

        Line lower;  // a lower-case echo is no confirmation
        lower.reply = [](const QString&) { return QStringLiteral(" 007a\r\n\r\n"); };
        QVERIFY(!lower.programmer.ProgEElocation(0x7A));
        QCOMPARE(lower.status.errors(), QStringList(5, "re-programmed address 007A."));

        // Any style of reply verifies at once; a late answer to another read or write never does.
        const QStringList styles{"\r\na007A 0047\r\n", "\r\na007A: 0047\r\n", "a007A, 0047\r\n\r\n",
                                 "\r\n 0047\r\n",      "\na007a 0047\n",      "\r\nOK 0047\r\n"};
        const QStringList late{"\r\na0079 0047\r\n",   "\r\n\r\na0079: 0047\r\n",
                               "\r\ne007947 0047\r\n", "1F40 0047 0320 0001\r\n1F40 ",
                               "\r\ntf 0047\r\n",      "\r\nv: 0047\r\n"};
        for (const QString& reply : styles + late) {
            Line v;
            v.image[0x7A] = 0x47;
            v.reply = [reply](const QString&) { return reply; };
            QCOMPARE(v.programmer.verifyEElocation(0x7A), styles.contains(reply));
            QCOMPARE(v.sent, QStringList(styles.contains(reply) ? 1 : 5, "a007A"));
        }

        Line mismatch;
        mismatch.image[0x100] = 0x3F;
        mismatch.eeprom[0x100] = 0x3E;
        QVERIFY(!mismatch.programmer.verifyEElocation(0x100));
        QCOMPARE(mismatch.sent, QStringList(5, "a0100"));
        QCOMPARE(mismatch.status.errors(), QStringList(5, "re-verified address 0100."));
    }

    void run_logStatusAndProgress() {
        Line r;
        r.image = {{0x7A, 0x3F}, {0x7B, 0x05}, {0x7C, 0xC1}};
        QList<int> progress;
        r.programmer.setProgress([&](int done, int total) { progress.append(done * 10 + total); });
        QVERIFY(r.programmer.ProgramEE(0x7A, 3));
        QCOMPARE(r.log.text(), QStringLiteral("EEPROM programming Address=Data\r\n"
                                              "07A=3F 07B=05 07C=C1 EEPROM verifying data\r\n"
                                              "3F 05 C1 "));
        QCOMPARE(r.status.entries.size(), 2);
        QCOMPARE(r.status.entries[0].text, QStringLiteral("Programing 007A to 007C ..."));
        QCOMPARE(r.status.entries[1].text, QStringLiteral("Verifying data ..."));
        QCOMPARE(progress, (QList<int>{6, 16, 26, 36, 46, 56, 66}));  // done of 6, both passes
    }

    void run_failureOkSkipsAbortEnds() {
        // The write to 007B is never confirmed and the cell keeps its old content.
        Line r;
        r.image[0x7B] = 0x60;
        r.reply = [](const QString& c) {
            return c.startsWith(u"e007B") ? QStringLiteral(" ????\r\n\r\n") : QString();
        };
        QVERIFY(r.programmer.ProgramEE(0x7A, 3));
        QCOMPARE(r.dialogs.asked.size(), 2);
        QCOMPARE(r.dialogs.asked[0].title, QStringLiteral("EEPROM Program Error"));
        QCOMPARE(r.dialogs.asked[0].text, QStringLiteral("addr = 007B, response = ????"));
        QVERIFY(r.dialogs.asked[0].icon == Dialogs::Icon::Critical);
        QCOMPARE(r.dialogs.asked[1].title, QStringLiteral("EEPROM Verify Error"));
        QCOMPARE(r.dialogs.asked[1].text, QStringLiteral("addr = 007B, wrote = 0060, read = 0000"));
        QVERIFY(r.dialogs.asked[1].icon == Dialogs::Icon::Exclamation);
        QCOMPARE(r.programmer.failedLocations(), 1);
        QVERIFY(!r.log.text().contains(QLatin1String("07B=")));
        // Cancel after five attempts: test_flash.

        // The exchange during which an abort lands, and the commands sent by then.
        const QList<std::pair<QString, int>> aborts{{"e007B00", 2}, {"e007C00", 3}, {"a007C", 7}};
        for (const auto& [command, sends] : aborts) {
            Line a;
            a.reply = [&a, command](const QString& c) {
                // 007C never reads back right; the abort comes with the first retry of a read.
                a.abortFlag |= c == command && (c.startsWith(u'e') || a.sent.count(c) > 1);
                return c == u"a007C" ? QStringLiteral(" 00FF\r\n\r\n") : QString();
            };
            QVERIFY(!a.programmer.ProgramEE(0x7A, 3));
            QCOMPARE(a.sent.size(), sends);
            QVERIFY(a.dialogs.asked.isEmpty());
        }
    }
};

// A stray reply in the line must not shift the answers: a shifted verify passes wherever
// neighbouring bytes are equal, so weak cells there would go unseen, and a shifted read keeps
// every byte one address off.
void TestEeprom::strayReply_neverTakenForTheNextCommand() {
    Line flash, read;
    flash.queue = read.queue = {QStringLiteral(" 0000\r\n\r\n")};  // "tf" answered after its wait
    for (int a = 0x7A; a < 0x7A + 8; ++a) {
        flash.image[a] = static_cast<quint8>(0x40 + (a - 0x7A) / 2 * 0x11);  // pairs of equal bytes
    }
    flash.weak = {{0x7B, 0x40}, {0x7F, 0x40}};
    flash.dialogs.defaultAnswer = Dialogs::Button::Ok;
    QVERIFY(flash.programmer.ProgramEE(0x7A, 8));
    QCOMPARE(flash.programmer.failedAddresses(), (QList<int>{0x7B, 0x7F}));
    QCOMPARE(std::pair(flash.programmer.written(), flash.programmer.verified()), std::pair(8, 6));
    QCOMPARE(flash.sent.filter(QRegularExpression("^e")).size(), 8);  // drained before: no retry

    for (int a = 0x7A; a < 0x7A + 6; ++a) {
        read.eeprom[a] = 0x10 * (a - 0x79);
    }
    const EepromProgrammer::Read got = read.programmer.readTable(0x7A, 6);
    QVERIFY(got.ok());
    QCOMPARE(got.bytes.toHex(' '), QByteArray("10 20 30 40 50 60"));

    // Mid-run: a trace line before the read-back of 007C. Its retry's answer must not be left
    // for 007D, whose weak cell it would hide; two late answers naming 007B (alike, so they
    // would agree) make no byte of 007C.
    Line late;
    late.image = flash.image;
    late.weak = {{0x7D, 0x40}};
    late.dialogs.defaultAnswer = Dialogs::Button::Ok;
    const auto before = [&late](const char* command, const QString& stray, int times) {
        late.reply = [&late, command, stray, times, done = false](const QString& c) mutable {
            for (int n = 0; c == QLatin1String(command) && !done && n < times; ++n) {
                late.queue.append(stray);  // only at the command's first sending
            }
            done = done || c == QLatin1String(command);
            return QString();
        };
    };
    before("a007C", QStringLiteral("1F40 0047 0320 0001\r\n\r\n"), 1);
    QVERIFY(late.programmer.ProgramEE(0x7A, 8));
    QCOMPARE(late.programmer.failedAddresses(), QList<int>{0x7D});
    before("a007C", QStringLiteral("\r\na007B 0047\r\n"), 2);
    QCOMPARE(late.programmer.readTable(0x7A, 4).bytes.toHex(' '), QByteArray("40 40 51 11"));
}

// Every byte kept is read twice and taken only when two reads agree; a byte that never reads
// the same twice fails the read at its address.
void TestEeprom::read_eachByteTwiceDisagreementReadAgain() {
    Line noisy;
    noisy.wrongEvery = 3;
    for (int a = 0x17E; a < 0x17E + 4; ++a) {
        noisy.eeprom[a] = 0xA0 + a - 0x17E;
    }
    const EepromProgrammer::Read got = noisy.programmer.readTable(0x17E, 4);
    QVERIFY(got.ok());
    QCOMPARE(got.bytes.toHex(' '), QByteArray("a0 a1 a2 a3"));
    // Reads 3, 6 and 9 were one off: each of those bytes was read a third time.
    QCOMPARE(noisy.sent, (QStringList{"a017E", "a017E"} + QStringList(3, "a017F") +
                          QStringList(3, "a0180") + QStringList(3, "a0181")));
    QCOMPARE(noisy.status.errors(), (QStringList{"re-read address 017F.", "re-read address 0180.",
                                                 "re-read address 0181."}));

    Line unsteady;
    QStringList answers{"0001", "0002", "0003", "0004", "0005", "0001"};
    unsteady.reply = [&answers](const QString&) { return " " + answers.takeFirst() + "\r\n"; };
    const EepromProgrammer::Read failed = unsteady.programmer.readTable(0x100, 2);
    QCOMPARE(std::pair(failed.failedAddress, failed.aborted), std::pair(0x100, false));
    QCOMPARE(unsteady.sent.size(), EepromProgrammer::kAttempts);
}

QTEST_GUILESS_MAIN(TestEeprom)
#include "test_eeprom.moc"
