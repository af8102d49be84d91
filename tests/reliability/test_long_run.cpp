// An hour of trace at the full line rate, fed to the link unpaced: memory stays bounded, the data
// area keeps the newest text, the receive buffer's cut keeps working, and the traffic log on disk
// keeps every byte.
#include <QCheckBox>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/widgets.h"
#include "link/hex_text.h"
#include "support/test_window.h"

namespace {

constexpr qint64 kHourBytes = 1920 * 3600;  // 19200 8N1 carries 1920 bytes a second
constexpr qsizetype kCutLimit = DeviceLink::kRxCutLength;

// Resident memory of this process in kB, from the kernel's own count.
qint64 residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    const QByteArray status = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    const qsizetype at = status.indexOf("VmRSS:");
    return at < 0 ? -1 : status.mid(at + 6, 20).trimmed().split(' ').first().toLongLong();
}

// Trace line n as the unit sends it; the last field numbers it, so the newest is known.
QByteArray traceLine(qint64 n) {
    return (hex4(0x2000 + n % 7) + u' ' + hex4(0x0412) + u' ' + hex4(0x0100 + n % 3) + u' ' +
            hex4(n % 0x8000) + QStringLiteral("\r\n"))
        .toLatin1();
}

}  // namespace

class TestLongRun : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void hourOfTrace_boundedAndNewestShown_data();
    void hourOfTrace_boundedAndNewestShown();
};

void TestLongRun::hourOfTrace_boundedAndNewestShown_data() {
    QTest::addColumn<int>("bytesPerRead");
    QTest::newRow("per tick") << 192;
    QTest::newRow("per second") << 1920;
    // The program busy elsewhere while the line keeps coming: a whole pipe's worth at once.
    QTest::newRow("burst") << 65536;
}

void TestLongRun::hourOfTrace_boundedAndNewestShown() {
    QFETCH(int, bytesPerRead);
    TestWindowConfig config;
    config.unitAttached = false;  // only what the test feeds arrives
    config.shown = true;          // a hidden data area draws nothing
    TestWindow w(config);
    DeviceLink& link = w.form->link();
    QVERIFY(link.isOpen());
    link.clearRxBuffer();
    auto* area = w.get<DataArea>("txtData");
    QTemporaryDir dir;
    const QString logPath = dir.filePath(QStringLiteral("trace.log"));
    w.dialogs.files << logPath;
    w.get<QCheckBox>("chkLogFile")->click();
    QCryptographicHash fedHash(QCryptographicHash::Sha256);

    QByteArray pending, tail;  // tail: the last bytes fed
    qint64 fed = 0, line = 0, cuts = 0, baseline = -1, peakRss = 0;
    qsizetype peakBuffer = 0, peakDocument = 0;
    while (fed < kHourBytes) {
        while (pending.size() < bytesPerRead) {
            pending += traceLine(line++);
        }
        const QByteArray piece = pending.left(bytesPerRead);
        pending.remove(0, bytesPerRead);
        const qsizetype before = link.RxBuffer().size();
        w.port().feed(piece);
        QCoreApplication::processEvents();
        link.getRxData();
        fed += piece.size();
        fedHash.addData(piece);
        tail = (tail + piece).right(100);
        if (link.RxBuffer().size() < before + piece.size()) {
            ++cuts;
            QVERIFY(link.RxBuffer().startsWith(QLatin1String("...")));
        }
        peakBuffer = std::max(peakBuffer, link.RxBuffer().size());
        peakDocument = std::max<qsizetype>(peakDocument, area->document()->characterCount());
        if (fed >= kHourBytes / 10 && baseline < 0) {
            baseline = residentKb();  // past the start-up allocations and the first cuts
        }
        if (line % 4096 == 0) {
            peakRss = std::max(peakRss, residentKb());
        }
    }
    QVERIFY(cuts >= (fed - kCutLimit) / std::max<qint64>(bytesPerRead, DeviceLink::kRxCutFrom) / 2);
    QVERIFY2(peakBuffer <= kCutLimit, qPrintable(QString::number(peakBuffer)));
    QVERIFY2(peakDocument <= kCutLimit + 1, qPrintable(QString::number(peakDocument)));
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer holds freed memory back on purpose, so only a plain build can tell.
    QVERIFY2(peakRss - baseline < 50 * 1024, qPrintable(QString::number(peakRss - baseline)));
#endif
    // The newest text is what is shown: the buffer and the display end with the last bytes fed.
    QVERIFY(link.RxBuffer().endsWith(QString::fromLatin1(tail)));
    QString shown = QString::fromLatin1(tail.mid(tail.indexOf('\n') + 1));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    area->flushDisplay();
    QVERIFY2(area->toPlainText().endsWith(shown), qPrintable(area->toPlainText().right(80)));

    QVERIFY(w.get<QCheckBox>("chkLogFile")->isChecked());
    QFile log(logPath);
    QVERIFY(log.open(QIODevice::ReadOnly) && log.size() == fed);
    QCOMPARE(QCryptographicHash::hash(log.readAll(), QCryptographicHash::Sha256), fedHash.result());
}

QTEST_MAIN(TestLongRun)
#include "test_long_run.moc"
