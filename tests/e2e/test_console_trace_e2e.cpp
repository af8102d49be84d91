// The command console against orvex-sim on a real pseudo-terminal, at the real 100 ms tick.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <memory>

#include "app/form1.h"
#include "app/widgets.h"
#include "support/scripted_dialogs.h"
#include "support/sim_process.h"

namespace {

const QRegularExpression kTraceLine(
    QStringLiteral("^[0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4} [0-9A-F]{4}\r$"),
    QRegularExpression::MultilineOption);

int traceLines(const QString& text) {
    int n = 0;
    for (auto it = kTraceLine.globalMatch(text); it.hasNext(); it.next()) {
        ++n;
    }
    return n;
}

}  // namespace

class TestConsoleTraceE2e : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void cleanup();
    void typedCommand_answerFollowsMarker();
    void trace_startSeeLinesStopCopy();

  private:
    QStringList simCommands() const;
    void click(const char* name) {
        QTest::mouseClick(m_form->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
    }

    std::unique_ptr<SimProcess> m_sim;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<Form1> m_form;
};

void TestConsoleTraceE2e::init() {
    QVERIFY2(!qEnvironmentVariable("ORVEX_SIM").isEmpty(), "ORVEX_SIM names the simulator");
    m_sim = std::make_unique<SimProcess>();
    QVERIFY(m_sim->started());
    const QString device = m_sim->device();

    Form1::Options options;
    options.commandLinePorts.insert(1, device);
    options.forcedPort = QStringLiteral("COM1");
    options.dialogs = &m_dialogs;
    m_form = std::make_unique<Form1>(options);
    m_form->Form_Load();
    QVERIFY(m_form->link().isOpen());
    QVERIFY(!m_form->link().bTimedOut);
}

void TestConsoleTraceE2e::cleanup() {
    m_form.reset();
    m_sim.reset();
}

QStringList TestConsoleTraceE2e::simCommands() const {
    return m_sim->log();
}

void TestConsoleTraceE2e::typedCommand_answerFollowsMarker() {
    auto* box = m_form->findChild<QLineEdit*>(QStringLiteral("txtCommand"));
    box->setText(QStringLiteral("g3c"));
    QTest::keyClick(box, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(
        m_form->data().text().endsWith(QStringLiteral("[ g3c ]\r\ng3c 000E\r\n")), 3000);
    QCOMPARE(simCommands().last(), QStringLiteral("g3c"));
}

void TestConsoleTraceE2e::trace_startSeeLinesStopCopy() {
    DataArea& data = m_form->data();
    click("btnStartTrace");
    QCOMPARE(data.text(), QString());
    QTRY_VERIFY_WITH_TIMEOUT(traceLines(data.text()) >= 5, 5000);
    // The version heads the trace: every trace line comes after its reply.
    const QString started = data.text();
    const qsizetype version = started.indexOf(QStringLiteral("\r\nv 2.01\r\n"));
    QVERIFY(version >= 0);
    QCOMPARE(traceLines(started.left(version)), 0);
    QCOMPARE(data.text(), m_form->link().RxBuffer());
    QCOMPARE(data.toPlainText(), QString(data.text()).remove(QLatin1Char('\r')));

    click("btnStopTrace");
    // A line already on the wire may still land; after that the trace stays still.
    QTest::qWait(400);
    const int stopped = traceLines(data.text());
    QTest::qWait(600);
    QCOMPARE(traceLines(data.text()), stopped);

    QApplication::clipboard()->setText(QStringLiteral("something else"));
    click("btnCopyTrace");
    QCOMPARE(QApplication::clipboard()->text(), data.text());
    QCOMPARE(traceLines(QApplication::clipboard()->text()), stopped);

    const QStringList commands = simCommands();
    const QStringList expected{QStringLiteral("tf"), QStringLiteral("s0383"), QStringLiteral("v"),
                               QStringLiteral("t1"), QStringLiteral("tf")};
    QVERIFY2(commands.size() >= expected.size(), qPrintable(commands.join(QLatin1Char(' '))));
    QCOMPARE(commands.mid(commands.size() - expected.size()), expected);
}

QTEST_MAIN(TestConsoleTraceE2e)
#include "test_console_trace_e2e.moc"
