#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>

class UnitModel;

// Runs a UnitModel on the event loop: honours each reply's delay, keeps the output in order,
// paces it at the line rate if asked, emits trace lines on the unit's interval and ends the
// service after a hang-up. Output always leaves from a timer, never from inside receive().
class UnitRunner : public QObject {
    Q_OBJECT
  public:
    // 19200 baud, one start, eight data and one stop bit: 1920 bytes a second.
    static constexpr double kByteMs = 10.0 * 1000.0 / 19200.0;
    // A trace line is skipped while this much output still waits, as the unit's own buffer
    // would overflow when the interval is shorter than a line takes on the wire.
    static constexpr qsizetype kTraceBacklogLimit = 256;
    // Pacing wakes up at most this often; the bytes due by then go out together.
    static constexpr int kPacingSliceMs = 4;

    // `model` must outlive the runner.
    explicit UnitRunner(UnitModel* model, QObject* parent = nullptr);

    UnitModel& model() { return *m_model; }

    void setPacing(bool on) { m_pacing = on; }
    bool pacing() const { return m_pacing; }
    // Off: every output goes out at the next event-loop pass, whatever its delay.
    void setHonourDelays(bool on) { m_honourDelays = on; }
    // A positive value replaces the speed register's trace interval (fast tests).
    void setTraceIntervalOverride(int ms) { m_traceOverrideMs = ms; }

    // Bytes the program wrote.
    void receive(const QByteArray& bytes);
    // Bytes produced by the unit but not emitted yet.
    qsizetype backlog() const;
    bool isHungUp() const { return m_hangUpEmitted; }

  Q_SIGNALS:
    void output(const QByteArray& bytes);
    void commandReceived(const QByteArray& command);
    void eepromChanged();
    // The unit hung up; everything it sent before was emitted.
    void hungUp();

  private:
    double nowMs() const;
    void takeModelOutput();
    void pump();
    void schedulePump();
    void updateTrace();
    void onTraceTimer();
    int traceInterval() const;

    struct Pending {
        QByteArray bytes;
        double startMs = 0;  // when its first byte starts on the line
    };

    UnitModel* m_model;
    QElapsedTimer m_clock;
    QTimer m_pumpTimer;
    QTimer m_traceTimer;
    std::deque<Pending> m_queue;
    double m_lastDueMs = 0;
    double m_lineFreeMs = 0;
    int m_seenCommands = 0;
    int m_seenEepromChanges = 0;
    int m_traceOverrideMs = 0;
    bool m_pacing = false;
    bool m_honourDelays = true;
    bool m_hangUpEmitted = false;
};
