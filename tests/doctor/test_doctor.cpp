// Why a port does not open, on made-up machines: each cause the doctor knows, what it says and
// the fix it gives; and the adapter that comes back after it went away.
#include <QTest>

#include <functional>

#include "doctor/port_doctor.h"
#include "doctor/returning_adapter.h"
#include "support/fake_system.h"

using doctor::Case;
using Machine = std::function<void(FakeSystem&)>;

namespace {

const QString kDev = QStringLiteral("/dev/ttyUSB0");

QList<int> cases(const doctor::PortCheck& c) {
    QList<int> found;
    for (const doctor::Finding& f : c.findings) {
        found << static_cast<int>(f.what);
    }
    return found;
}

}  // namespace

class TestDoctor : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void check_findsEachCauseAndItsFix_data();
    void check_findsEachCauseAndItsFix();
    void describe_namesTheAdapterForTheToolTip();
    void returningAdapter_sameSerialElsePath_data();
    void returningAdapter_sameSerialElsePath();
};

void TestDoctor::check_findsEachCauseAndItsFix_data() {
    QTest::addColumn<Machine>("machine");
    QTest::addColumn<bool>("noUnit");
    QTest::addColumn<QString>("lastSerial");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QList<int>>("cases");
    QTest::addColumn<QStringList>("said");  // each in the findings' text
    QTest::addColumn<QStringList>("fix");   // the fix lines, in order

    const auto denied = [](QStringList account, QStringList login, unsigned mode = 020660) {
        return [=](FakeSystem& s) {
            s.addDevice(kDev, QStringLiteral("A1"), mode);
            s.probes[kDev] = ProbeResult::NoPermission;
            s.account = account;
            s.login = login;
        };
    };
    const int notAllowed = static_cast<int>(Case::NotAllowed);
    const int held = static_cast<int>(Case::Held);
    const int service = static_cast<int>(Case::Service);
    const int gone = static_cast<int>(Case::Gone);

    QTest::newRow("not in the group")
        << Machine(denied({"ann"}, {"ann"})) << false << QString() << false << QList{notAllowed}
        << QStringList{"crw-rw---- root dialout", "you (ann) are not in the group dialout"}
        << QStringList{"sudo usermod -aG dialout ann", "then log out and in again"};
    QTest::newRow("account in the group, this login not")
        << Machine(denied({"ann", "dialout"}, {"ann"})) << false << QString() << false
        << QList{notAllowed}
        << QStringList{"your account ann is in the group dialout, but this login is not"}
        << QStringList{"log out and in again"};
    QTest::newRow("in the group and refused all the same")
        << Machine(denied({"ann", "dialout"}, {"ann", "dialout"})) << false << QString() << false
        << QList{notAllowed} << QStringList{"something beyond the file's permissions"}
        << QStringList{};
    QTest::newRow("group may not read: a rule for this adapter")
        << Machine(denied({"ann"}, {"ann"}, 020600)) << false << QString() << false
        << QList{notAllowed} << QStringList{"crw------- root dialout", "does not let its group"}
        << QStringList{
               "echo 'SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"f00d\", "
               "ATTRS{idProduct}==\"0001\", GROUP=\"dialout\", MODE=\"0660\"' | sudo tee "
               "-a /etc/udev/rules.d/99-orvex.rules",
               "sudo udevadm control --reload && sudo udevadm trigger",
               "sudo usermod -aG dialout ann", "then log out and in again"};

    const auto heldBy = [](QList<doctor::Process> holders, bool allSeen = true) {
        return [=](FakeSystem& s) {
            s.addDevice(kDev, QStringLiteral("A1"));
            s.probes[kDev] = ProbeResult::Busy;
            s.open[kDev] = holders;
            s.running = holders;
            s.allSeen = allSeen;
        };
    };
    QTest::newRow("held by a terminal program")
        << Machine(heldBy({{4242, "minicom"}})) << false << QString() << false << QList{held}
        << QStringList{"minicom has it open (pid 4242)."}
        << QStringList{"close minicom, or: kill 4242"};
    QTest::newRow("held by our own second window")
        << Machine(heldBy({{777, "orvex-config"}})) << false << QString() << false << QList{held}
        << QStringList{"another orvex-config window has it open (pid 777)."}
        << QStringList{"close that window"};
    QTest::newRow("held by orvexctl")
        << Machine(heldBy({{778, "orvexctl"}})) << false << QString() << false << QList{held}
        << QStringList{"orvexctl has it open (pid 778)"}
        << QStringList{"let orvexctl finish, or: kill 778"};
    QTest::newRow("held by someone this user may not see")
        << Machine(heldBy({}, false)) << false << QString() << false << QList{held}
        << QStringList{"another user or of the system"} << QStringList{"sudo fuser -v " + kDev};
    QTest::newRow("taken by the braille service")
        << Machine(heldBy({{300, "brltty"}})) << false << QString() << false << QList{held, service}
        << QStringList{"brltty has it open (pid 300)", "braille-display service brltty is running"}
        << QStringList{"sudo systemctl mask --now brltty-udev.service brltty.service"};

    // Open here and silent: the modem manager probing it is the cause; our own hold is not.
    QTest::newRow("no unit, the modem manager probes")
        << Machine([](FakeSystem& s) {
               s.addDevice(kDev, QStringLiteral("A1"));
               s.open[kDev] = {{100, "orvex-config"}};
               s.running = {{100, "orvex-config"}, {55, "ModemManager"}};
           })
        << true << QString() << true << QList{service}
        << QStringList{"the modem manager ModemManager is running (pid 55)"}
        << QStringList{
               "echo 'SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"f00d\", "
               "ATTRS{idProduct}==\"0001\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"' | sudo tee -a "
               "/etc/udev/rules.d/99-orvex.rules",
               "sudo udevadm control --reload && sudo udevadm trigger"};
    QTest::newRow("no unit, another program reads along")
        << Machine([](FakeSystem& s) {
               s.addDevice(kDev, QStringLiteral("A1"));
               s.open[kDev] = {{100, "orvex-config"}, {900, "cat"}};
           })
        << true << QString() << true << QList{held}
        << QStringList{"cat has it open (pid 900) as well, and may take the unit's replies"}
        << QStringList{"close cat, or: kill 900"};
    QTest::newRow("no unit, nothing in the way")
        << Machine([](FakeSystem& s) { s.addDevice(kDev, QStringLiteral("A1")); }) << true
        << QString() << true << QList{static_cast<int>(Case::NoUnit)}
        << QStringList{"check that the unit has power"} << QStringList{};

    QTest::newRow("gone, the same adapter renamed")
        << Machine([](FakeSystem& s) {
               s.addDevice(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("B2"));
               s.addDevice(QStringLiteral("/dev/ttyUSB2"), QStringLiteral("A1"));
           })
        << false << QString("A1") << false << QList{gone}
        << QStringList{kDev + " is not there",
                       "The same adapter (serial number A1) is now /dev/ttyUSB2."}
        << QStringList{};
    QTest::newRow("gone, not back")
        << Machine([](FakeSystem& s) {
               s.addDevice(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("B2"));
           })
        << false << QString("A1") << false << QList{gone}
        << QStringList{"No adapter with its serial number A1 is plugged in now."} << QStringList{};
    QTest::newRow("gone, serial unknown: the adapters there are")
        << Machine([](FakeSystem& s) {
               s.addDevice(QStringLiteral("/dev/ttyUSB1"), QStringLiteral("B2"));
           })
        << false << QString() << false << QList{gone}
        << QStringList{"plugged in now: /dev/ttyUSB1, Acme USB Serial, serial number B2, "
                       "USB id f00d:0001."}
        << QStringList{};
}

void TestDoctor::check_findsEachCauseAndItsFix() {
    QFETCH(Machine, machine);
    QFETCH(bool, noUnit);
    QFETCH(QString, lastSerial);
    FakeSystem system;
    machine(system);
    doctor::PortDoctor d(system);
    const doctor::PortCheck c =
        d.check(QStringLiteral("COM3"), kDev,
                {.openHere = noUnit, .noUnit = noUnit, .lastSerial = lastSerial});

    QTEST(c.opens, "opens");
    QTEST(cases(c), "cases");
    QString text;
    QStringList fix;
    for (const doctor::Finding& f : c.findings) {
        text += f.text + u'\n';
        fix += f.fix;
    }
    QFETCH(QStringList, said);
    for (const QString& s : said) {
        QVERIFY2(text.contains(s), qPrintable(text));
    }
    QTEST(fix, "fix");
    // The data area shows the summary, then every finding and its fix.
    const QStringList lines = c.lines();
    QVERIFY(lines.first().startsWith(QStringLiteral("COM3 (") + kDev + u')'));
    QCOMPARE(lines.size(), 1 + c.findings.size() + fix.size());
}

void TestDoctor::describe_namesTheAdapterForTheToolTip() {
    FakeSystem system;
    system.addDevice(kDev, QStringLiteral("A1"));
    system.addDevice(QStringLiteral("/dev/ttyS0"));
    doctor::PortDoctor d(system);
    QCOMPARE(d.describe(kDev),
             (QStringList{kDev, "Acme USB Serial", "serial number A1", "USB id f00d:0001"}));
    QCOMPARE(d.describe(QStringLiteral("/dev/ttyS0")), QStringList{"/dev/ttyS0"});
    QCOMPARE(d.check(QStringLiteral("COM1"), kDev).block().first(),
             QStringLiteral("COM1  /dev/ttyUSB0, Acme USB Serial, serial number A1, USB id "
                            "f00d:0001"));
}

void TestDoctor::returningAdapter_sameSerialElsePath_data() {
    using Present = QList<doctor::ReturningAdapter::Present>;
    QTest::addColumn<QString>("serial");     // of the adapter lost
    QTest::addColumn<Present>("meanwhile");  // the first look after the loss
    QTest::addColumn<Present>("later");
    QTest::addColumn<qint64>("laterMs");
    QTest::addColumn<QString>("found");

    const Present none;
    QTest::newRow("same serial, another path")
        << "A1" << none << Present{{"/dev/ttyUSB0", "B2"}, {"/dev/ttyUSB1", "A1"}} << 5000LL
        << "/dev/ttyUSB1";
    QTest::newRow("no serial, same path")
        << "" << none << Present{{"/dev/pts/7", ""}} << 5000LL << "/dev/pts/7";
    QTest::newRow("another adapter at the old path")
        << "A1" << none << Present{{"/dev/ttyUSB0", "B2"}} << 5000LL << "";
    QTest::newRow("past the minute")
        << "A1" << none << Present{{"/dev/ttyUSB0", "A1"}} << 60001LL << "";
    QTest::newRow("never seen gone") << "A1" << Present{{"/dev/ttyUSB0", "A1"}}
                                     << Present{{"/dev/ttyUSB0", "A1"}} << 5000LL << "";
}

void TestDoctor::returningAdapter_sameSerialElsePath() {
    QFETCH(QString, serial);
    QFETCH(QList<doctor::ReturningAdapter::Present>, meanwhile);
    QFETCH(QList<doctor::ReturningAdapter::Present>, later);
    QFETCH(qint64, laterMs);
    doctor::ReturningAdapter r;
    const QString device = serial.isEmpty() ? QStringLiteral("/dev/pts/7") : kDev;
    r.lost(QStringLiteral("COM4"), device, serial, 1000);
    QCOMPARE(r.find(meanwhile, 1500), QString());
    QTEST(r.find(later, 1000 + laterMs), "found");
    QCOMPARE(r.name(), laterMs > doctor::ReturningAdapter::kAwaitedMs ? QString() : "COM4");
}

QTEST_GUILESS_MAIN(TestDoctor)
#include "test_doctor.moc"
