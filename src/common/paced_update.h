#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <utility>

// Applies the latest state of a display at most once per interval, and once more after the last
// change. A run changes some widgets at every exchange, a hundred times a second; drawn that
// often they cost more than the run and slow its exchanges. The first change after a quiet
// interval is applied at once, so a slow stream (a trace line a tick) is not held back.
class PacedUpdate {
  public:
    explicit PacedUpdate(std::function<void()> apply, int intervalMs)
        : m_apply(std::move(apply)), m_intervalMs(intervalMs) {
        m_timer.setSingleShot(true);
        m_timer.callOnTimeout([this] { applyNow(); });
    }

    void request() {
        m_pending = true;
        if (m_timer.isActive() || m_held) {
            return;
        }
        const qint64 since = m_last.isValid() ? m_last.elapsed() : m_intervalMs;
        if (since >= m_intervalMs) {
            applyNow();
        } else {
            m_timer.start(static_cast<int>(m_intervalMs - since));
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
        m_last.start();
        m_apply();
    }

    std::function<void()> m_apply;
    qint64 m_intervalMs;
    QTimer m_timer;
    QElapsedTimer m_last;
    bool m_pending = false;
    bool m_held = false;
};
