#include "sim/pty_host.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "sim/unit_model.h"
#include "sim/unit_runner.h"

namespace {

constexpr int kDrainCheckMs = 10;
constexpr int kDrainLimitMs = 1000;

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

void closeFd(int* fd) {
    if (*fd >= 0) {
        ::close(*fd);
        *fd = -1;
    }
}

}  // namespace

PtyHost::PtyHost(UnitModel* model, QObject* parent)
    : QObject(parent), m_runner(new UnitRunner(model, this)) {
    m_runner->setPacing(true);
    connect(m_runner, &UnitRunner::output, this, &PtyHost::onOutput);
    connect(m_runner, &UnitRunner::hungUp, this, &PtyHost::onRunnerHungUp);
    m_drainTimer.setSingleShot(true);
    m_drainTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_drainTimer, &QTimer::timeout, this, &PtyHost::drainThenHangUp);
}

PtyHost::~PtyHost() {
    stop();
}

bool PtyHost::start(QString* error) {
    if (::openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0) {
        *error = systemError("openpty");
        return false;
    }
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    // Raw from the start: with the default echo the unit would read its own replies back.
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B19200);
    ::cfsetospeed(&settings, B19200);
    ::tcsetattr(m_slave, TCSANOW, &settings);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_devicePath = QString::fromLocal8Bit(::ttyname(m_slave));

    // Opens and closes of the device tell whether anybody listens; what the unit says while
    // nobody does is lost, as on a real line, instead of waiting for the next program.
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const QByteArray path = QFile::encodeName(m_devicePath);
    if (m_inotify >= 0 &&
        ::inotify_add_watch(m_inotify, path.constData(), IN_OPEN | IN_CLOSE) >= 0) {
        m_listeners = 0;
        m_deviceNotifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read, this);
        connect(m_deviceNotifier, &QSocketNotifier::activated, this, &PtyHost::onDeviceEvents);
    } else {
        closeFd(&m_inotify);
        m_listeners = -1;
    }

    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &PtyHost::onReadable);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &PtyHost::flushWrites);
    return true;
}

bool PtyHost::makeLink(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (info.isSymLink()) {
        QFile::remove(path);
    } else if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a symlink").arg(path);
        return false;
    }
    if (!QFile::link(m_devicePath, path)) {
        *error = QStringLiteral("cannot make the symlink %1").arg(path);
        return false;
    }
    m_linkPath = path;
    return true;
}

void PtyHost::setPacing(bool on) {
    m_runner->setPacing(on);
}

void PtyHost::onReadable() {
    // Whoever wrote this has the device open, even if its open is still queued for us.
    if (m_listeners == 0) {
        onDeviceEvents();
    }
    char buffer[4096];
    while (m_master >= 0) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n > 0) {
            m_runner->receive(QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        // Only reached if the slave vanished under us; serving on would fire without end.
        qWarning("orvex-sim: %s", qPrintable(systemError("reading the pseudo-terminal")));
        hangUp();
        return;
    }
}

void PtyHost::onOutput(const QByteArray& bytes) {
    if (m_listeners == 0) {
        onDeviceEvents();
    }
    if (m_listeners == 0) {
        m_bytesDiscarded += bytes.size();
        return;
    }
    m_writeBuffer += bytes;
    if (m_writeBuffer.size() > kMaxWriteBacklog) {
        const qsizetype excess = m_writeBuffer.size() - kMaxWriteBacklog;
        m_writeBuffer.remove(0, excess);
        m_bytesDiscarded += excess;
    }
    flushWrites();
}

void PtyHost::flushWrites() {
    while (m_master >= 0 && !m_writeBuffer.isEmpty()) {
        const ssize_t n =
            ::write(m_master, m_writeBuffer.constData(), static_cast<size_t>(m_writeBuffer.size()));
        if (n > 0) {
            m_bytesWritten += n;
            m_writeBuffer.remove(0, static_cast<qsizetype>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);  // the reader is slow; go on when it has room
            return;
        }
        m_bytesDiscarded += m_writeBuffer.size();
        m_writeBuffer.clear();
    }
    if (m_writeNotifier) {
        m_writeNotifier->setEnabled(false);
    }
}

void PtyHost::onDeviceEvents() {
    alignas(inotify_event) char buffer[1024];
    while (m_inotify >= 0) {
        const ssize_t n = ::read(m_inotify, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            const int before = m_listeners;
            if (event->mask & IN_OPEN) {
                ++m_listeners;
            } else if (event->mask & IN_CLOSE) {
                m_listeners = std::max(0, m_listeners - 1);
            }
            // Bytes that slipped out while the last reader was leaving must not greet the
            // next one.
            if (before == 0 || m_listeners == 0) {
                ::tcflush(m_master, TCOFLUSH);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void PtyHost::onRunnerHungUp() {
    // The kernel hands written bytes on to the reader's side a moment later; only then does
    // the reader's queue show them.
    m_drainStart.start();
    m_drainTimer.start(kDrainCheckMs);
}

void PtyHost::drainThenHangUp() {
    // Closing the master throws away what the reader has not taken yet; let the last reply
    // reach it first, as a unit's last words do before it drops the line.
    int waiting = 0;
    if (m_slave >= 0 && m_listeners != 0 && m_drainStart.elapsed() < kDrainLimitMs &&
        (!m_writeBuffer.isEmpty() || (::ioctl(m_slave, FIONREAD, &waiting) == 0 && waiting > 0))) {
        m_drainTimer.start(kDrainCheckMs);
        return;
    }
    hangUp();
}

void PtyHost::hangUp() {
    if (m_master < 0) {
        return;
    }
    stop();
    Q_EMIT hungUp();
}

void PtyHost::stop() {
    m_drainTimer.stop();
    // stop() may run inside a notifier's own signal, so the notifiers go later
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier, &m_deviceNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
    closeFd(&m_inotify);
    closeFd(&m_master);
    closeFd(&m_slave);
    removeLink();
}

void PtyHost::removeLink() {
    // Only our own link: the path may point somewhere else by now.
    if (!m_linkPath.isEmpty() && QFileInfo(m_linkPath).symLinkTarget() == m_devicePath) {
        QFile::remove(m_linkPath);
    }
    m_linkPath.clear();
}
