#include "sim/unit_runner.h"

#include <algorithm>
#include <cmath>

#include "sim/unit_model.h"

UnitRunner::UnitRunner(UnitModel* model, QObject* parent) : QObject(parent), m_model(model) {
    m_clock.start();
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, &UnitRunner::pump);
    m_traceTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_traceTimer, &QTimer::timeout, this, &UnitRunner::onTraceTimer);
    m_seenCommands = m_model->commandCount();
    m_seenEepromChanges = m_model->eepromChangeCount();
    updateTrace();  // a unit may be tracing from power-up
}

double UnitRunner::nowMs() const {
    return static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
}

void UnitRunner::receive(const QByteArray& bytes) {
    if (m_hangUpEmitted) {
        return;
    }
    m_model->receive(bytes);
    const QByteArrayList& commands = m_model->commands();
    while (m_seenCommands < commands.size()) {
        Q_EMIT commandReceived(commands.at(m_seenCommands++));
    }
    if (m_model->eepromChangeCount() != m_seenEepromChanges) {
        m_seenEepromChanges = m_model->eepromChangeCount();
        Q_EMIT eepromChanged();
    }
    takeModelOutput();
    updateTrace();
    schedulePump();
}

qsizetype UnitRunner::backlog() const {
    qsizetype total = 0;
    for (const Pending& p : m_queue) {
        total += p.bytes.size();
    }
    return total;
}

void UnitRunner::takeModelOutput() {
    const double now = nowMs();
    const QList<UnitModel::Chunk> chunks = m_model->takeOutput();
    for (const UnitModel::Chunk& chunk : chunks) {
        // A held-back reply holds back everything after it: the line is one stream.
        const double due = std::max(now + (m_honourDelays ? chunk.delayMs : 0), m_lastDueMs);
        m_lastDueMs = due;
        double start = due;
        if (m_pacing) {
            start = std::max(due, m_lineFreeMs);
            m_lineFreeMs = start + static_cast<double>(chunk.bytes.size()) * kByteMs;
        }
        m_queue.push_back(Pending{chunk.bytes, start});
    }
}

void UnitRunner::pump() {
    const double now = nowMs();
    QByteArray out;
    while (!m_queue.empty()) {
        Pending& p = m_queue.front();
        qsizetype due = 0;
        if (!m_pacing) {
            due = now >= p.startMs ? p.bytes.size() : 0;
        } else if (now > p.startMs) {
            // a byte is delivered once its last bit is on the wire
            const auto onWire = static_cast<qsizetype>(std::floor((now - p.startMs) / kByteMs));
            due = std::min(onWire, p.bytes.size());
        }
        out += p.bytes.left(due);
        p.bytes.remove(0, due);
        p.startMs += static_cast<double>(due) * kByteMs;
        if (!p.bytes.isEmpty()) {
            break;
        }
        m_queue.pop_front();
    }
    if (!out.isEmpty()) {
        Q_EMIT output(out);
    }
    if (m_queue.empty() && m_model->hungUp() && !m_hangUpEmitted) {
        m_hangUpEmitted = true;
        m_traceTimer.stop();
        Q_EMIT hungUp();
        return;
    }
    schedulePump();
}

void UnitRunner::schedulePump() {
    if (m_queue.empty()) {
        if (m_model->hungUp() && !m_hangUpEmitted) {
            m_pumpTimer.start(0);
        } else {
            m_pumpTimer.stop();
        }
        return;
    }
    const double next = m_queue.front().startMs + (m_pacing ? kByteMs : 0.0);
    int waitMs = static_cast<int>(std::ceil(std::max(0.0, next - nowMs())));
    if (m_pacing && waitMs > 0) {
        waitMs = std::max(waitMs, kPacingSliceMs);
    }
    m_pumpTimer.start(waitMs);
}

int UnitRunner::traceInterval() const {
    return m_traceOverrideMs > 0 ? m_traceOverrideMs : m_model->traceIntervalMs();
}

void UnitRunner::updateTrace() {
    if (!m_model->tracing() || m_model->hungUp()) {
        m_traceTimer.stop();
        return;
    }
    // Restarting on every command would hold the next line back while commands keep coming.
    const int interval = traceInterval();
    if (!m_traceTimer.isActive() || m_traceTimer.interval() != interval) {
        m_traceTimer.start(interval);
    }
}

void UnitRunner::onTraceTimer() {
    if (m_model->tracing() && backlog() <= kTraceBacklogLimit) {
        m_model->queueTraceLine();
        takeModelOutput();
        schedulePump();
    }
    updateTrace();
}
