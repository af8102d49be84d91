#include <QQueue>
#include <QTest>

#include <array>
#include <functional>

#include "eeprom/eeprom_programmer.h"
#include "support/recording.h"
#include "support/scripted_dialogs.h"

namespace {

// A unit on the far side of the link: keeps an EEPROM, answers "e" with the address and "a" with
// the byte, unless a test overrides the reply.
class FakeLink final : public EepromLink {
  public:
    bool aborted() const override { return abortFlag; }
    void send(const QString& command) override {
        sent.append(command);
        if (abortAfterSends > 0 && sent.size() >= abortAfterSends) {
            abortFlag = true;
        }
        last = command;
    }
    QString getParameter() override {
        if (override_) {
            const QString r = override_(last);
            if (!r.isNull()) {
                return r;
            }
        }
        const int addr = last.mid(1, 4).toInt(nullptr, 16);
        if (last.startsWith(QLatin1Char('e'))) {
            eeprom[addr] = static_cast<quint8>(last.mid(5, 2).toInt(nullptr, 16));
            return last.mid(1, 4);
        }
        return QStringLiteral("%1").arg(eeprom[addr], 4, 16, QLatin1Char('0')).toUpper();
    }

    QString lastReply() const override { return replyText ? replyText(last) : QString(); }

    QStringList sent;
    QString last;
    bool abortFlag = false;
    // The whole reply text the link would hold after the exchange for that command.
    std::function<QString(const QString&)> replyText;
    int abortAfterSends = 0;
    // A non-null text replaces the normal reply to that command.
    std::function<QString(const QString&)> override_;
    std::array<quint8, 513> eeprom{};
};

struct Fixture {
    FakeLink link;
    RecordingStatus status;
    RecordingDataView log;
    ScriptedDialogs dialogs;
    std::array<quint8, 513> image{};
    EepromProgrammer programmer{link, status, log, dialogs,
                                [this](int address) { return image[address]; }};

    Fixture() {
        for (int a = 0; a < 513; ++a) {
            image[a] = static_cast<quint8>((a * 7 + 3) & 0xFF);
        }
    }
    QStringList errors() const {
        QStringList out;
        for (const auto& e : status.entries) {
            if (e.colour == StatusLine::Colour::Error) {
                out.append(e.text);
            }
        }
        return out;
    }
};

}  // namespace

class TestEepromProgrammer : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void write_commandAndConfirmation_data();
    void write_commandAndConfirmation();
    void write_lowerCaseEcho_isRetried();
    void write_fiveMismatches_fails();
    void verify_byteAsFourDigits_matches();
    void verify_mismatch_retriedThenFails();
    void verify_lateReplyToEarlierRead_notTakenAsThisByte();
    void verify_replyStyles_data();
    void verify_replyStyles();
    void run_abortDuringLastLocationRetries_isAnAbort();
    void location_abortPending_returnsWithoutSending();
    void run_shortRange_logAndStatus();
    void run_programFailure_okSkipsAndCountsLocation();
    void run_abortDuringExchange_endsBeforeNextAddress();
    void run_progress_coversBothPasses();
};

void TestEepromProgrammer::write_commandAndConfirmation_data() {
    QTest::addColumn<int>("addr");
    QTest::addColumn<int>("byte");
    QTest::addColumn<QString>("command");
    QTest::newRow("pin 1 first") << 0x7A << 0x3F << "e007A3F";
    QTest::newRow("pin 2 first") << 0xFC << 0x05 << "e00FC05";
    QTest::newRow("pin 3 first") << 0x17E << 0xA0 << "e017EA0";
    QTest::newRow("last cell") << 0x1FF << 0xFF << "e01FFFF";
}

void TestEepromProgrammer::write_commandAndConfirmation() {
    QFETCH(int, addr);
    QFETCH(int, byte);
    QFETCH(QString, command);
    Fixture f;
    f.image[addr] = static_cast<quint8>(byte);
    QVERIFY(f.programmer.ProgEElocation(addr));
    QCOMPARE(f.link.sent, QStringList{command});
    QCOMPARE(f.programmer.eeAddr, command.mid(1, 4));
    QCOMPARE(f.programmer.EEdata, command.mid(5, 2));
    QCOMPARE(f.link.eeprom[addr], byte);
    QVERIFY(f.errors().isEmpty());
}

void TestEepromProgrammer::write_lowerCaseEcho_isRetried() {
    Fixture f;
    int calls = 0;
    f.link.override_ = [&calls](const QString&) {
        return ++calls == 1 ? QStringLiteral("007a") : QString();
    };
    QVERIFY(f.programmer.ProgEElocation(0x7A));
    QCOMPARE(f.link.sent.size(), 2);
    QCOMPARE(f.link.sent[0], f.link.sent[1]);
    QCOMPARE(f.errors(), QStringList{QStringLiteral("re-programmed address 007A.")});
}

void TestEepromProgrammer::write_fiveMismatches_fails() {
    Fixture f;
    f.link.override_ = [](const QString&) { return QStringLiteral("????"); };
    QVERIFY(!f.programmer.ProgEElocation(0x80));
    QCOMPARE(f.link.sent.size(), 5);
    QCOMPARE(f.errors(), QStringList(5, QStringLiteral("re-programmed address 0080.")));
    QCOMPARE(f.programmer.EEresponse, QStringLiteral("????"));
}

void TestEepromProgrammer::verify_byteAsFourDigits_matches() {
    Fixture f;
    f.image[0x7A] = 0x05;
    f.link.eeprom[0x7A] = 0x05;
    QVERIFY(f.programmer.verifyEElocation(0x7A));
    QCOMPARE(f.link.sent, QStringList{QStringLiteral("a007A")});
    QCOMPARE(f.programmer.EEdata, QStringLiteral("0005"));
    QCOMPARE(f.programmer.EEresponse, QStringLiteral("0005"));
}

void TestEepromProgrammer::verify_mismatch_retriedThenFails() {
    Fixture f;
    f.image[0x100] = 0x3F;
    f.link.eeprom[0x100] = 0x3E;
    QVERIFY(!f.programmer.verifyEElocation(0x100));
    QCOMPARE(f.link.sent, QStringList(5, QStringLiteral("a0100")));
    QCOMPARE(f.errors(), QStringList(5, QStringLiteral("re-verified address 0100.")));
    QCOMPARE(f.programmer.EEresponse, QStringLiteral("003E"));
}

void TestEepromProgrammer::verify_lateReplyToEarlierRead_notTakenAsThisByte() {
    Fixture f;
    f.image[0x100] = 0x3F;
    f.link.eeprom[0x100] = 0x3F;
    // The first reply is the late answer to a read of 00FF that happens to hold the same byte.
    int replies = 0;
    f.link.replyText = [&replies](const QString& command) {
        return ++replies == 1 ? QStringLiteral("\r\na00FF 003F\r\n")
                              : QStringLiteral("\r\n") + command + QStringLiteral(" 003F\r\n");
    };
    QVERIFY(f.programmer.verifyEElocation(0x100));
    QCOMPARE(f.link.sent, QStringList(2, QStringLiteral("a0100")));
    QCOMPARE(f.errors(), QStringList{QStringLiteral("re-verified address 0100.")});

    // A unit that does not echo its commands is taken at its parameter.
    Fixture plain;
    plain.image[0x100] = 0x3F;
    plain.link.eeprom[0x100] = 0x3F;
    plain.link.replyText = [](const QString&) { return QStringLiteral("\r\n003F\r\n"); };
    QVERIFY(plain.programmer.verifyEElocation(0x100));
    QCOMPARE(plain.link.sent.size(), 1);
}

void TestEepromProgrammer::verify_replyStyles_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<bool>("verified");
    QTest::newRow("echo, blank") << "\r\na007A 0047\r\n" << true;
    QTest::newRow("echo, colon") << "\r\na007A: 0047\r\n" << true;
    QTest::newRow("echo, comma") << "a007A, 0047\r\n\r\n" << true;
    QTest::newRow("no echo") << "\r\n 0047\r\n" << true;
    QTest::newRow("lower-case echo") << "\na007a 0047\n" << true;
    QTest::newRow("other word") << "\r\nOK 0047\r\n" << true;
    QTest::newRow("late read") << "\r\na0079 0047\r\n" << false;
    QTest::newRow("late read, colon") << "\r\n\r\na0079: 0047\r\n" << false;
    QTest::newRow("late write") << "\r\ne007947 0047\r\n" << false;
}

void TestEepromProgrammer::verify_replyStyles() {
    QFETCH(QString, reply);
    QFETCH(bool, verified);
    Fixture f;
    f.image[0x7A] = 0x47;
    f.link.eeprom[0x7A] = 0x47;
    f.link.replyText = [reply](const QString&) { return reply; };
    QCOMPARE(f.programmer.verifyEElocation(0x7A), verified);
    QCOMPARE(f.link.sent.size(), verified ? 1 : 5);
}

void TestEepromProgrammer::run_abortDuringLastLocationRetries_isAnAbort() {
    Fixture f;
    f.link.eeprom[0x7C] = 0x00;
    int lastReads = 0;
    f.link.override_ = [&](const QString& c) {
        if (c == QLatin1String("a007C") && ++lastReads == 2) {
            f.link.abortFlag = true;  // the click lands while the retry is awaited
        }
        return c.startsWith(QLatin1String("e007C")) ? QStringLiteral("007C") : QString();
    };
    QVERIFY(!f.programmer.ProgramEE(0x7A, 3));
    QCOMPARE(f.link.sent.count(QStringLiteral("a007C")), 2);
    QVERIFY(f.dialogs.asked.isEmpty());
}

void TestEepromProgrammer::location_abortPending_returnsWithoutSending() {
    Fixture f;
    f.link.abortFlag = true;
    QVERIFY(f.programmer.ProgEElocation(0x7A));
    QVERIFY(f.programmer.verifyEElocation(0x7A));
    QVERIFY(f.link.sent.isEmpty());
}

void TestEepromProgrammer::run_shortRange_logAndStatus() {
    Fixture f;
    f.image[0x7A] = 0x3F;
    f.image[0x7B] = 0x05;
    f.image[0x7C] = 0xC1;
    QVERIFY(f.programmer.ProgramEE(0x7A, 3));
    QCOMPARE(f.log.text(), QStringLiteral("EEPROM programming Address=Data\r\n"
                                          "07A=3F 07B=05 07C=C1 EEPROM verifying data\r\n"
                                          "3F 05 C1 "));
    QCOMPARE(f.link.sent,
             (QStringList{"e007A3F", "e007B05", "e007CC1", "a007A", "a007B", "a007C"}));
    QCOMPARE(f.status.entries.size(), 2);
    QCOMPARE(f.status.entries[0].text, QStringLiteral("Programing 007A to 007C ..."));
    QCOMPARE(f.status.entries[1].text, QStringLiteral("Verifying data ..."));
    QCOMPARE(f.programmer.failedLocations(), 0);
    QVERIFY(f.dialogs.asked.isEmpty());
}

void TestEepromProgrammer::run_programFailure_okSkipsAndCountsLocation() {
    Fixture f;
    f.image[0x7B] = 0x60;
    // The write to 007B is never confirmed and the cell keeps its old content.
    f.link.override_ = [](const QString& c) {
        return c.startsWith(QLatin1String("e007B")) ? QStringLiteral("????") : QString();
    };
    f.dialogs.answers << Dialogs::Button::Ok << Dialogs::Button::Ok;
    QVERIFY(f.programmer.ProgramEE(0x7A, 3));
    QCOMPARE(f.dialogs.asked.size(), 2);
    QCOMPARE(f.dialogs.asked[0].title, QStringLiteral("EEPROM Program Error"));
    QCOMPARE(f.dialogs.asked[0].text, QStringLiteral("addr = 007B, response = ????"));
    QVERIFY(f.dialogs.asked[0].icon == Dialogs::Icon::Critical);
    QCOMPARE(f.dialogs.asked[1].title, QStringLiteral("EEPROM Verify Error"));
    QCOMPARE(f.link.sent.count(QStringLiteral("e007B60")), 5);
    // Same address failed in both passes: one location.
    QCOMPARE(f.programmer.failedLocations(), 1);
    QVERIFY(!f.log.text().contains(QLatin1String("07B=")));
}

void TestEepromProgrammer::run_abortDuringExchange_endsBeforeNextAddress() {
    Fixture f;
    f.link.abortAfterSends = 2;  // the click arrives while the second write is awaited
    QVERIFY(!f.programmer.ProgramEE(0x7A, 10));
    QCOMPARE(f.link.sent.size(), 2);
    QVERIFY(f.log.text().endsWith(QLatin1String("07B=") + f.programmer.EEdata + QLatin1Char(' ')));
    QVERIFY(f.dialogs.asked.isEmpty());
}

void TestEepromProgrammer::run_progress_coversBothPasses() {
    Fixture f;
    QList<int> seen;
    int lastTotal = 0;
    f.programmer.setProgress([&](int done, int total) {
        seen.append(done);
        lastTotal = total;
    });
    QVERIFY(f.programmer.ProgramEE(0x7A, 4));
    QCOMPARE(lastTotal, 8);
    QCOMPARE(seen, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

QTEST_GUILESS_MAIN(TestEepromProgrammer)
#include "test_eeprom_programmer.moc"
