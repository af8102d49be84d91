#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include "sim/unit_model.h"

Q_DECLARE_METATYPE(UnitFault)

namespace {

QByteArray joined(const QList<UnitModel::Chunk>& chunks) {
    QByteArray bytes;
    for (const UnitModel::Chunk& chunk : chunks) {
        bytes += chunk.bytes;
    }
    return bytes;
}

// Sends each command with its carriage return and returns what the unit put out for the last.
QByteArray answerToLast(UnitModel& unit, const QByteArrayList& commands) {
    for (qsizetype i = 0; i + 1 < commands.size(); ++i) {
        unit.receive(commands.at(i) + '\r');
    }
    unit.takeOutput();
    unit.receive(commands.last() + '\r');
    return joined(unit.takeOutput());
}

QByteArray reply(const QByteArray& command, const QByteArray& parameter) {
    return "\r\n" + command + ' ' + parameter + "\r\n";
}

int ipxOf(const QByteArray& line) {
    return line.left(4).toInt(nullptr, 16);
}

const QRegularExpression kTraceLine(
    QStringLiteral("^[0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4}\r\n$"));

}  // namespace

class TestUnitModel : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void command_repliesWithParameter_data();
    void command_repliesWithParameter();
    void input_splitAtCarriageReturn_data();
    void input_splitAtCarriageReturn();
    void savedCalibration_readBackAfterPowerUp();
    void traceLine_ipxFollowsCalibration_data();
    void traceLine_ipxFollowsCalibration();
    void traceCommands_startOneOrStop();
    void logIndex_advancesWithLinesTracedWhileLogging();
    void speedRegister_setsTraceInterval_data();
    void speedRegister_setsTraceInterval();
    void noise_staysInBandAndRepeatsWithSeed();
    void weakCell_losesMaskedBits_data();
    void weakCell_losesMaskedBits();
    void weakCellText_parsed_data();
    void weakCellText_parsed();
    void faultRate_countsEveryAffectedOutput_data();
    void faultRate_countsEveryAffectedOutput();
    void corruptReply_changesOneParameterCharacter();
    void lowerCase_onlyCountedWhenALetterChanged_data();
    void lowerCase_onlyCountedWhenALetterChanged();
    void silentUnit_actsButSendsNothing();
    void hangUp_answersUpToLimitThenIgnores();
};

void TestUnitModel::command_repliesWithParameter_data() {
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<QByteArray>("expected");

    const auto row = [](const char* name, QByteArrayList commands, const QByteArray& param) {
        const QByteArray last = commands.last();
        QTest::newRow(name) << commands << reply(last, param);
    };
    row("version", {"v"}, "2.01");
    row("trace off", {"tf"}, "0000");
    row("write calibration", {"w"}, "0000");
    row("log stop", {"x0"}, "0000");
    row("log start", {"x1"}, "0000");
    row("log dump", {"z"}, "0000");
    row("log index set", {"y1234"}, "0000");
    row("log index fresh", {"x2"}, "0000");
    row("log index after y", {"y002A", "x2"}, "002A");
    row("set calibration high", {"s3c0E"}, "3C0E");
    row("set mode lower-case digits", {"s03e1"}, "03E1");
    row("set speed", {"s0405"}, "0405");
    row("get factory calibration high", {"g3c"}, "000E");
    row("get factory calibration low", {"g3b"}, "00D8");
    row("get default speed", {"g04"}, "0005");
    row("register round trip", {"s3cAB", "g3c"}, "00AB");
    row("register round trip lower case", {"s7fc4", "g7F"}, "00C4");
    row("eeprom factory cell", {"a0000"}, "000E");
    row("eeprom last address", {"a0200"}, "0000");
    row("eeprom write", {"e007A3F"}, "007A");
    row("eeprom write echoes digits as sent", {"e017e05"}, "017e");
    row("eeprom round trip", {"e00FC3F", "a00FC"}, "003F");
    row("eeprom round trip small byte", {"e01FF05", "a01FF"}, "0005");
    row("w saves high byte", {"s3c12", "s3b34", "w", "a0000"}, "0012");
    row("w saves low byte", {"s3c12", "s3b34", "w", "a0001"}, "0034");
    row("read beyond eeprom", {"a0201"}, "????");
    row("write beyond eeprom", {"e0201FF", "a0200"}, "0000");
    row("write beyond eeprom reply", {"e0201FF"}, "????");
    row("short address", {"a7A"}, "????");
    row("bad hex address", {"a00G0"}, "????");
    row("write missing digit", {"e007A3"}, "????");
    row("write bad byte", {"e007AZZ"}, "????");
    row("set too short", {"s3c0"}, "????");
    row("get too long", {"g3c0"}, "????");
    row("upper-case command letter", {"S3c0E"}, "????");
    row("unknown", {"hello"}, "????");
    row("version with suffix", {"vv"}, "????");
    row("log index not hex", {"y00zz"}, "????");
}

void TestUnitModel::command_repliesWithParameter() {
    QFETCH(QByteArrayList, commands);
    QFETCH(QByteArray, expected);
    UnitModel unit;
    QCOMPARE(answerToLast(unit, commands), expected);
}

void TestUnitModel::input_splitAtCarriageReturn_data() {
    QTest::addColumn<QByteArrayList>("writes");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArrayList>("commands");

    QTest::newRow("command in pieces")
        << QByteArrayList{"s3", "c0", "E\r"} << reply("s3c0E", "3C0E") << QByteArrayList{"s3c0E"};
    QTest::newRow("several in one write")
        << QByteArrayList{"tf\rv\r"} << reply("tf", "0000") + reply("v", "2.01")
        << QByteArrayList{"tf", "v"};
    QTest::newRow("line feeds ignored")
        << QByteArrayList{"\ng3c\r\n"} << reply("g3c", "000E") << QByteArrayList{"g3c"};
    QTest::newRow("bare carriage returns")
        << QByteArrayList{"\r\r", "\r\n"} << QByteArray() << QByteArrayList{};
    QTest::newRow("unfinished command waits")
        << QByteArrayList{"v"} << QByteArray() << QByteArrayList{};
    QTest::newRow("blank kept in echo")
        << QByteArrayList{"a 007A\r"} << reply("a 007A", "????") << QByteArrayList{"a 007A"};
}

void TestUnitModel::input_splitAtCarriageReturn() {
    QFETCH(QByteArrayList, writes);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArrayList, commands);
    UnitModel unit;
    for (const QByteArray& bytes : writes) {
        unit.receive(bytes);
    }
    QCOMPARE(joined(unit.takeOutput()), expected);
    QCOMPARE(unit.commands(), commands);
    QCOMPARE(unit.commandCount(), commands.size());
}

void TestUnitModel::savedCalibration_readBackAfterPowerUp() {
    UnitModel before;
    before.receive("s3c0D\rs3bAC\rw\r");
    QCOMPARE(before.eepromChangeCount(), 2);

    UnitModel after;
    after.loadEeprom(before.eeprom());
    QCOMPARE(answerToLast(after, {"g3c"}), reply("g3c", "000D"));
    QCOMPARE(answerToLast(after, {"g3b"}), reply("g3b", "00AC"));
    QCOMPARE(after.calibrationValue(), 0x0DAC);

    // without "w" the setting is gone at the next power-up
    UnitModel unsaved;
    unsaved.receive("s3c01\r");
    UnitModel next;
    next.loadEeprom(unsaved.eeprom());
    QCOMPARE(next.calibrationValue(), UnitModel::kFactoryCalValue);
}

void TestUnitModel::traceLine_ipxFollowsCalibration_data() {
    QTest::addColumn<int>("calValue");
    QTest::addColumn<int>("truePoint");
    QTest::addColumn<double>("gain");
    QTest::addColumn<int>("ipx");

    QTest::newRow("on target") << 3700 << 3700 << 2.0 << 8192;
    QTest::newRow("too high") << 3800 << 3700 << 2.0 << 8392;
    QTest::newRow("too low") << 3600 << 3700 << 2.0 << 7992;
    QTest::newRow("one step") << 3701 << 3700 << 1.5 << 8194;
    QTest::newRow("far below") << 0 << 3700 << 2.0 << 792;
    QTest::newRow("clamped high") << 5000 << 0 << 10.0 << 0x7FFF;
    QTest::newRow("clamped low") << 0 << 5000 << 10.0 << 0;
}

void TestUnitModel::traceLine_ipxFollowsCalibration() {
    QFETCH(int, calValue);
    QFETCH(int, truePoint);
    QFETCH(double, gain);
    QFETCH(int, ipx);
    UnitOptions options;
    options.truePoint = truePoint;
    options.gain = gain;
    UnitModel unit(options);
    unit.receive("s3c" + QByteArray::number(calValue / 256, 16).rightJustified(2, '0') + "\r");
    unit.receive("s3b" + QByteArray::number(calValue % 256, 16).rightJustified(2, '0') + "\r");
    unit.takeOutput();

    unit.receive("t0\r");
    const QList<UnitModel::Chunk> out = unit.takeOutput();
    QCOMPARE(out.size(), 1);
    const QString line = QString::fromLatin1(out.first().bytes);
    QVERIFY2(kTraceLine.match(line).hasMatch(), qPrintable(line));
    QCOMPARE(ipxOf(out.first().bytes), ipx);
}

void TestUnitModel::traceCommands_startOneOrStop() {
    UnitModel unit;
    unit.receive("t0\r");
    QCOMPARE(unit.takeOutput().size(), 1);  // one line, no reply line
    QVERIFY(!unit.tracing());

    unit.receive("t1\r");
    QVERIFY(unit.tracing());
    QVERIFY(unit.takeOutput().isEmpty());  // the lines come on the host's interval
    unit.queueTraceLine();
    unit.queueTraceLine();
    const QByteArray lines = joined(unit.takeOutput());
    QCOMPARE(lines.count("\r\n"), 2);
    QCOMPARE(unit.traceLineCount(), 3);

    unit.receive("tf\r");
    QVERIFY(!unit.tracing());
    QCOMPARE(joined(unit.takeOutput()), reply("tf", "0000"));
}

void TestUnitModel::logIndex_advancesWithLinesTracedWhileLogging() {
    UnitModel unit;
    unit.receive("y0010\rt0\rx1\rt0\rt0\r");
    QCOMPARE(answerToLast(unit, {"x2"}), reply("x2", "0012"));
    unit.receive("x0\rt0\r");
    QCOMPARE(answerToLast(unit, {"x2"}), reply("x2", "0012"));
}

void TestUnitModel::speedRegister_setsTraceInterval_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("intervalMs");
    QTest::newRow("default") << QByteArray() << 100;
    QTest::newRow("05") << QByteArray("s0405") << 100;
    QTest::newRow("01") << QByteArray("s0401") << 20;
    QTest::newRow("00 floor") << QByteArray("s0400") << 10;
    QTest::newRow("FF") << QByteArray("s04FF") << 5100;
}

void TestUnitModel::speedRegister_setsTraceInterval() {
    QFETCH(QByteArray, command);
    QFETCH(int, intervalMs);
    UnitModel unit;
    unit.receive(command + '\r');
    QCOMPARE(unit.traceIntervalMs(), intervalMs);
}

void TestUnitModel::noise_staysInBandAndRepeatsWithSeed() {
    UnitOptions options;
    options.noise = 3;
    options.seed = 7;
    UnitModel first(options);
    UnitModel second(options);
    options.seed = 8;
    UnitModel otherSeed(options);

    QByteArray firstLines;
    QByteArray otherLines;
    QSet<int> seen;
    for (int i = 0; i < 200; ++i) {
        const QByteArray line = first.traceLine();
        QCOMPARE(line, second.traceLine());
        firstLines += line;
        otherLines += otherSeed.traceLine();
        const int ipx = ipxOf(line);
        QVERIFY2(qAbs(ipx - first.idealIpx()) <= 3, line.constData());
        seen.insert(ipx);
    }
    QCOMPARE(seen.size(), 7);  // every value of -3..+3 turns up in 200 draws
    QVERIFY(firstLines != otherLines);
}

void TestUnitModel::weakCell_losesMaskedBits_data() {
    QTest::addColumn<QByteArray>("write");
    QTest::addColumn<QByteArray>("read");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("faults");
    QTest::newRow("bit lost") << QByteArray("e007A3F") << QByteArray("a007A") << QByteArray("003E")
                              << 1;
    QTest::newRow("bit already clear")
        << QByteArray("e007A3E") << QByteArray("a007A") << QByteArray("003E") << 0;
    QTest::newRow("second cell two bits")
        << QByteArray("e01FFFF") << QByteArray("a01FF") << QByteArray("007E") << 1;
    QTest::newRow("other cell") << QByteArray("e007BFF") << QByteArray("a007B")
                                << QByteArray("00FF") << 0;
}

void TestUnitModel::weakCell_losesMaskedBits() {
    QFETCH(QByteArray, write);
    QFETCH(QByteArray, read);
    QFETCH(QByteArray, expected);
    QFETCH(int, faults);
    UnitOptions options;
    options.weakCells = {{0x7A, 0x01}, {0x1FF, 0x81}};
    UnitModel unit(options);
    QCOMPARE(answerToLast(unit, {write, read}), reply(read, expected));
    QCOMPARE(unit.faultCount(UnitFault::WeakCell), faults);
}

void TestUnitModel::weakCellText_parsed_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("mask");
    QTest::newRow("decimal") << "122:1" << true << 122 << 1;
    QTest::newRow("hex") << "0x1FF:0x80" << true << 511 << 0x80;
    QTest::newRow("last address") << "512:255" << true << 512 << 255;
    QTest::newRow("beyond eeprom") << "513:1" << false << 0 << 0;
    QTest::newRow("hex without prefix") << "7A:1" << false << 0 << 0;
    QTest::newRow("mask too wide") << "122:256" << false << 0 << 0;
    QTest::newRow("negative") << "-1:1" << false << 0 << 0;
    QTest::newRow("no mask") << "122" << false << 0 << 0;
}

void TestUnitModel::weakCellText_parsed() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, address);
    QFETCH(int, mask);
    const auto cell = UnitModel::parseWeakCell(text);
    QCOMPARE(cell.has_value(), valid);
    if (valid) {
        QCOMPARE(cell->address, address);
        QCOMPARE(cell->mask, mask);
    }
}

void TestUnitModel::faultRate_countsEveryAffectedOutput_data() {
    QTest::addColumn<UnitFault>("fault");
    QTest::addColumn<double>("rate");
    const QList<std::pair<const char*, UnitFault>> kinds = {
        {"drop", UnitFault::Drop}, {"corrupt", UnitFault::Corrupt}, {"delay", UnitFault::Delay}};
    for (const auto& [name, kind] : kinds) {
        for (const double rate : {0.0, 0.3, 1.0}) {
            QTest::addRow("%s %.1f", name, rate) << kind << rate;
        }
    }
}

// 200 replies and 200 trace lines: whatever the rate, the counter equals the outputs that
// really were dropped, changed or held back, and the rate shows in how many.
void TestUnitModel::faultRate_countsEveryAffectedOutput() {
    QFETCH(UnitFault, fault);
    QFETCH(double, rate);
    UnitOptions options;
    options.seed = 3;
    options.delayMs = 250;
    options.delayRate = 0.0;
    if (fault == UnitFault::Drop) {
        options.dropRate = rate;
    } else if (fault == UnitFault::Corrupt) {
        options.corruptRate = rate;
    } else {
        options.delayRate = rate;
    }
    UnitModel unit(options);
    UnitModel clean;
    constexpr int kEach = 200;
    int affected = 0;
    int sent = 0;
    for (int i = 0; i < kEach * 2; ++i) {
        if (i % 2 == 0) {
            unit.receive("g3c\r");
            clean.receive("g3c\r");
        } else {
            unit.queueTraceLine();
            clean.queueTraceLine();
        }
        const QList<UnitModel::Chunk> out = unit.takeOutput();
        const QByteArray expected = joined(clean.takeOutput());
        sent += static_cast<int>(out.size());
        if (fault == UnitFault::Drop) {
            affected += out.isEmpty() ? 1 : 0;
        } else if (fault == UnitFault::Corrupt) {
            affected += joined(out) != expected ? 1 : 0;
        } else {
            affected += out.size() == 1 && out.first().delayMs == 250 ? 1 : 0;
        }
    }
    QCOMPARE(unit.faultCount(fault), affected);
    QCOMPARE(sent + unit.faultCount(UnitFault::Drop), kEach * 2);
    if (rate == 0.0) {
        QCOMPARE(affected, 0);
    } else if (rate == 1.0) {
        QCOMPARE(affected, kEach * 2);
    } else {
        QVERIFY2(affected > kEach * 2 / 5 && affected < kEach * 2 / 2,
                 qPrintable(QString::number(affected)));
    }
}

void TestUnitModel::corruptReply_changesOneParameterCharacter() {
    UnitOptions options;
    options.corruptRate = 1.0;
    UnitModel unit(options);
    for (int i = 0; i < 100; ++i) {
        unit.receive("e007A3F\r");
        const QByteArray out = joined(unit.takeOutput());
        QVERIFY(out.startsWith("\r\ne007A3F "));  // echo and framing untouched
        QVERIFY(out.endsWith("\r\n"));
        QCOMPARE(out.size(), reply("e007A3F", "007A").size());
        const QByteArray parameter = out.mid(10, 4);
        int differing = 0;
        for (int k = 0; k < 4; ++k) {
            differing += parameter.at(k) != QByteArray("007A").at(k) ? 1 : 0;
            QVERIFY(parameter.at(k) != ' ' && parameter.at(k) != '\r' && parameter.at(k) != '\n');
        }
        QCOMPARE(differing, 1);
    }
    QCOMPARE(unit.faultCount(UnitFault::Corrupt), 100);
}

void TestUnitModel::lowerCase_onlyCountedWhenALetterChanged_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("faults");
    QTest::newRow("letters in parameter") << QByteArray("e007A3F") << reply("e007A3F", "007a") << 1;
    QTest::newRow("register value") << QByteArray("g3c") << reply("g3c", "000e") << 1;
    QTest::newRow("digits only") << QByteArray("g04") << reply("g04", "0005") << 0;
    QTest::newRow("echo untouched") << QByteArray("s3cAB") << reply("s3cAB", "3cab") << 1;
}

void TestUnitModel::lowerCase_onlyCountedWhenALetterChanged() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, expected);
    QFETCH(int, faults);
    UnitOptions options;
    options.lowerCase = true;
    UnitModel unit(options);
    QCOMPARE(answerToLast(unit, {command}), expected);
    QCOMPARE(unit.faultCount(UnitFault::LowerCase), faults);
}

void TestUnitModel::silentUnit_actsButSendsNothing() {
    UnitOptions options;
    options.silent = true;
    UnitModel unit(options);
    unit.receive("v\re00FC5A\rt0\r");
    QVERIFY(!unit.hasOutput());
    QCOMPARE(unit.faultCount(UnitFault::Silence), 3);
    QCOMPARE(unit.commandCount(), 3);
    QCOMPARE(static_cast<quint8>(unit.eeprom().at(0xFC)), quint8(0x5A));
}

void TestUnitModel::hangUp_answersUpToLimitThenIgnores() {
    UnitOptions options;
    options.hangUpAfter = 3;
    UnitModel unit(options);
    unit.receive("s0400\rt1\r");
    QVERIFY(!unit.hungUp());
    unit.receive("v\rg3c\re00FC5A\r");
    QVERIFY(unit.hungUp());
    QVERIFY(!unit.tracing());
    QCOMPARE(unit.commands(), (QByteArrayList{"s0400", "t1", "v"}));
    QCOMPARE(joined(unit.takeOutput()), reply("s0400", "0400") + reply("v", "2.01"));
    unit.queueTraceLine();
    QVERIFY(!unit.hasOutput());
    QCOMPARE(static_cast<quint8>(unit.eeprom().at(0xFC)), quint8(0));
    QCOMPARE(unit.faultCount(UnitFault::HangUp), 1);
}

QTEST_APPLESS_MAIN(TestUnitModel)

#include "tst_unit_model.moc"
