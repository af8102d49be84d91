// A hand-edited or damaged settings file: the program starts, stays usable and on screen, and
// writes sane values back when it closes.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTest>

#include "support/test_window.h"

namespace {

QString settingsPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Orvex/CONF.ini");
}

void writeSettings(const QByteArray& content) {
    QDir().mkpath(QFileInfo(settingsPath()).path());
    QFile f(settingsPath());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

// A whole number of twips a window could have: not empty, no sign games, not absurd.
bool saneNumber(const QString& text, int min, int max) {
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v >= min && v <= max;
}

}  // namespace

class TestBadSettings : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void damagedSettings_startsUsableOnScreenAndSavesSane_data();
    void damagedSettings_startsUsableOnScreenAndSavesSane();
};

void TestBadSettings::init() {
    QFile::remove(settingsPath());
}

void TestBadSettings::damagedSettings_startsUsableOnScreenAndSavesSane_data() {
    QTest::addColumn<QByteArray>("content");
    const QByteArray ports = "[Ports]\nCOM1=/dev/fake1\n";
    QTest::newRow("non-numeric") << "[Startup]\nformwidth=wide\nformheight=tall\nformtop=up\n"
                                    "formleft=x1\nport=COM1\n" +
                                        ports;
    QTest::newRow("negative") << "[Startup]\nformwidth=-6400\nformheight=-9000\nformtop=-3000\n"
                                 "formleft=-99999\nport=COM1\n" +
                                     ports;
    QTest::newRow("huge") << "[Startup]\nformwidth=99999999999999\nformheight=1e308\n"
                             "formtop=2147483647\nformleft=1e400\nport=COM1\n" +
                                 ports;
    QTest::newRow("off-screen") << "[Startup]\nformwidth=6400\nformheight=9000\nformtop=900000\n"
                                   "formleft=-900000\nport=COM1\n" +
                                       ports;
    QTest::newRow("nan and blanks") << "[Startup]\nformwidth=nan\nformheight=\" \"\n"
                                       "formtop=inf\nformleft=-inf\nport=COM1\n" +
                                           ports;
    QTest::newRow("port COM99") << "[Startup]\nport=COM99\n" + ports;
    QTest::newRow("empty port") << "[Startup]\nport=\n" + ports;
    QTest::newRow("list as port") << "[Startup]\nport=COM1, COM2\n" + ports;
    QTest::newRow("garbage ports") << QByteArray(
        "[Startup]\nport=COM1\n[Ports]\nCOM1=/dev/fake1\nCOMx=/dev/null\n=\n"
        "COM=/dev/tty0\nCOM-3=/dev/x\nCOM4=\nCOM99999999999=/dev/y\n\x01\x02\xff=\xfe\n"
        "COM5=@Invalid()\n");
    QTest::newRow("binary file") << QByteArray("\x00\xff\xfe[Startup\n\x00=\x01\n", 16);
}

void TestBadSettings::damagedSettings_startsUsableOnScreenAndSavesSane() {
    QFETCH(QByteArray, content);
    writeSettings(content);

    TestWindowConfig config;
    config.savedPort = QString();  // keep the file as written
    auto w = std::make_unique<TestWindow>(config);
    Form1& form = *w->form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    // Usable: the one present port is open and the unit answers a typed command's worth.
    QVERIFY(form.link().isOpen());
    QCOMPARE(form.link().portName, QStringLiteral("COM1"));
    form.link().TxString(QStringLiteral("v"));
    QVERIFY(!form.link().GetParameter().isEmpty());
    QVERIFY(!form.link().bTimedOut);
    auto* tabs = w->get<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(1);
    QCOMPARE(tabs->currentIndex(), 1);

    // On screen and of a size a screen can hold.
    const QRect frame = form.frameGeometry();
    const QRect desk = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(desk.intersects(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                    .arg(frame.x())
                                                    .arg(frame.y())
                                                    .arg(frame.width())
                                                    .arg(frame.height())));
    QVERIFY(form.width() >= form.minimumWidth() && form.height() >= form.minimumHeight());
    QVERIFY(form.width() <= std::max(desk.width(), form.minimumWidth()));
    QVERIFY(form.height() <= std::max(desk.height(), form.minimumHeight()));

    form.close();
    w.reset();

    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                QStringLiteral("CONF"));
    constexpr int kMaxTwips = 15 * 20000;
    for (const char* key : {"formwidth", "formheight"}) {
        const QString v = s.value(QStringLiteral("Startup/") + QLatin1String(key)).toString();
        QVERIFY2(saneNumber(v, 1, kMaxTwips), qPrintable(QLatin1String(key) + u'=' + v));
    }
    for (const char* key : {"formtop", "formleft"}) {
        const QString v = s.value(QStringLiteral("Startup/") + QLatin1String(key)).toString();
        QVERIFY2(saneNumber(v, -kMaxTwips, kMaxTwips), qPrintable(QLatin1String(key) + u'=' + v));
    }
    QCOMPARE(s.value(QStringLiteral("Startup/port")).toString(), QStringLiteral("COM1"));
}

QTEST_MAIN(TestBadSettings)
#include "test_bad_settings.moc"
