#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

// Applies the latest state of a display at most once per interval in a steady stream of
// changes, and once more after the last change. A run changes some widgets at every exchange, a
// hundred times a second; drawn that often they cost more than the run and slow its exchanges.
// After a quiet spell the first `burst` changes are applied at once, so a single line, or a
// command's echo and then its reply, is not held back.
class PacedUpdate {
  public:
    PacedUpdate(std::function<void()> apply, int intervalMs, int burst = 1)
        : m_apply(std::move(apply)), m_intervalMs(intervalMs), m_burst(std::max(1, burst)) {
        m_clock.start();
        m_timer.setSingleShot(true);
        m_timer.callOnTimeout([this] { applyNow(); });
    }

    void request() {
        m_pending = true;
        if (m_timer.isActive() || m_held) {
            return;
        }
        // m_due runs ahead of the clock by one interval per application; up to burst - 1
        // intervals ahead, the next one may still go at once.
        const qint64 wait = m_due - (m_burst - 1) * m_intervalMs - m_clock.elapsed();
        if (wait <= 0) {
            applyNow();
        } else {
            m_timer.start(static_cast<int>(wait));
        }
    }
    // Applies a pending change now: the run ended, or someone is about to look.
    void flush() {
        m_timer.stop();
        if (m_pending) {
            applyNow();
        }
    }
    // While held (a hidden widget), changes only collect; releasing applies them.
    void hold(bool held) {
        m_held = held;
        if (held) {
            m_timer.stop();
        } else {
            flush();
        }
    }

  private:
    void applyNow() {
        m_pending = false;
        m_due = std::max(m_due, m_clock.elapsed()) + m_intervalMs;
        m_apply();
    }

    std::function<void()> m_apply;
    qint64 m_intervalMs;
    qint64 m_burst;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_due = 0;
    bool m_pending = false;
    bool m_held = false;
};
