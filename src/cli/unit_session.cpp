#include "cli/unit_session.h"

#include <csignal>

#include "cli/cli_output.h"
#include "link/device_link.h"
#include "link/qt_serial_port.h"
#include "link/settings_store.h"
#include "sim/simulated_unit.h"

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void onInterrupt(int) {
    g_interrupted = 1;
}

}  // namespace

UnitSession::UnitSession(CliOutput& out) : m_out(out) {}

UnitSession::~UnitSession() = default;

void UnitSession::watchInterrupts() {
    // The next wait notices the flag within a tick; a second Ctrl+C ends the program at once.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // A closed terminal or ssh session ends a run as an abort does, unless started with nohup.
    struct sigaction hangUp {};
    if (::sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler != SIG_IGN) {
        ::sigaction(SIGHUP, &action, nullptr);
    }
    // Output to a reader that went away (| head) fails as a write; the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
}

bool UnitSession::interrupted() const {
    return g_interrupted != 0;
}

int UnitSession::open(const QString& port, bool simulate) {
    PortMap map;
    QString name = port;
    if (simulate) {
        QString error;
        m_simulated = SimulatedUnit::start(
            SimulatedUnit::defaultStatePath(), [this](const QString& note) { m_out.note(note); },
            &error);
        if (!m_simulated) {
            m_out.error(QStringLiteral("could not start the simulated unit: ") + error);
            return CliExit::kNoUnit;
        }
        name = m_simulated->devicePath();
    } else if (!name.startsWith(u'/')) {
        SettingsStore settings;
        if (name.isEmpty()) {
            name = settings.keySetting(QStringLiteral("port"));
        }
        if (name.isEmpty()) {
            m_out.error(
                QStringLiteral("no port given (--port) and none saved by the window; "
                               "see orvexctl ports"));
            return CliExit::kNoUnit;
        }
        QtPortProber prober;
        map = buildPortMap({}, settings.ports(), prober.discover());
        name = name.toUpper();
        if (map.value(comNumber(name)).isEmpty()) {
            m_out.error(QStringLiteral("%1 has no device; see orvexctl ports").arg(name));
            return CliExit::kNoUnit;
        }
    }
    m_label = name.startsWith(u'/')
                  ? name
                  : QStringLiteral("%1 (%2)").arg(name, map.value(comNumber(name)));
    m_link = std::make_unique<DeviceLink>([this] {
        auto port = std::make_unique<QtSerialPort>();
        m_port = port.get();
        return port;
    });
    m_link->setPortMap(map);
    connect(m_link.get(), &DeviceLink::firmwareCaption, this,
            [this](const QString& caption) { m_version = caption.section(u' ', 2); });
    if (!m_link->OpenPort(name)) {
        m_out.error(QStringLiteral("cannot open %1: %2")
                        .arg(m_label, m_port ? m_port->errorString() : QString()));
        return CliExit::kNoUnit;
    }
    if (m_link->bTimedOut()) {
        m_out.error(QStringLiteral("no answer from the unit on %1").arg(m_label));
        return CliExit::kNoUnit;
    }
    return CliExit::kOk;
}

std::optional<QString> UnitSession::exchange(const QString& command) {
    m_link->TxString(command);
    const QString reply = m_link->GetResponse();
    if (m_link->bTimedOut()) {
        return std::nullopt;
    }
    return reply;
}

EepromProgrammer& UnitSession::programmer(EepromProgrammer::ImageByte image) {
    m_image = std::move(image);
    if (!m_programmer) {
        m_programmer = std::make_unique<EepromProgrammer>(
            static_cast<EepromLink&>(*this), static_cast<StatusLine&>(*this), m_log,
            static_cast<Dialogs&>(*this),
            [this](int address) { return m_image ? m_image(address) : quint8(0); });
        m_programmer->setProgress(
            [this](int done, int total) { m_out.progress(m_progressLabel, done, total); });
    }
    return *m_programmer;
}

bool UnitSession::aborted() const {
    return interrupted() || !m_link->isOpen();
}

void UnitSession::send(const QString& command) {
    m_link->TxString(command);
}

QString UnitSession::getParameter() {
    return m_link->GetParameter();
}

QString UnitSession::lastReply() const {
    return m_link->RxBuffer();
}

bool UnitSession::timedOut() const {
    return m_link->bTimedOut();
}

bool UnitSession::drain(Quiet why) {
    return m_link->drainInput(quietTicks(why));
}

void UnitSession::msgError(const QString& text) {
    m_out.note(text);
}

Dialogs::Button UnitSession::okCancel(const QString& title, const QString& text, Icon) {
    m_out.note(title + QStringLiteral(": ") + text);
    // A location the unit answered wrongly is skipped, so the run lists every such address; a
    // unit that no longer answers at all would cost 8 s a location, so the run ends.
    return m_link->bTimedOut() ? Button::Cancel : Button::Ok;
}
