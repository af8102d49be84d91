#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

#include "link/port_map.h"
#include "link/serial_port.h"

// The only road to the unit: the open port, the receive buffer, the 100 ms tick and the
// request/response waits. It carries bytes and shows nothing itself: what the user must see
// (opened, could not open, lost, a timeout, data) leaves as signals, so the window and a program
// without any window can use it alike. Everything runs on one thread; a wait runs a nested event
// loop that blocks until something happens (data, a tick, a click).
class DeviceLink : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 100;
    static constexpr int kTickWrap = 32000;
    static constexpr int kReplyTimeoutTicks = 15;  // gives up when the count passes this
    static constexpr qsizetype kRxCutLength = 56000;
    static constexpr qsizetype kRxCutFrom = 3999;  // characters dropped by each cut
    // A unit that never falls quiet this long is still tracing (or the line is noise).
    static constexpr int kDrainLimitTicks = 50;

    explicit DeviceLink(SerialPortFactory factory, QObject* parent = nullptr);
    ~DeviceLink() override;

    // Tests shorten the tick; behaviour depends on tick counts only.
    void setTickInterval(int ms);

    void setPortMap(const PortMap& map) { m_portMap = map; }
    const PortMap& portMap() const { return m_portMap; }

    bool isOpen() const;
    void closePort();
    // The name of the port chosen in the list (COM3), saved at shut-down; empty until chosen.
    const QString& portName() const { return m_portName; }
    void setPortName(const QString& name) { m_portName = name; }

    // Opens the named port (a COM name, or a device path) and greets the unit ("tf", then "v").
    // False when it cannot be opened, or when it is lost during the greeting.
    bool OpenPort(const QString& name);
    void TxString(const QString& txt);
    void openError() { Q_EMIT notOpen(); }

    // RxBuffer: every character received since it was last cleared.
    const QString& RxBuffer() const { return m_rx; }
    void clearRxBuffer() { setRxBuffer(QString()); }
    void setRxBuffer(const QString& text);
    void appendRxBuffer(const QString& text) { m_rx += text; }
    // While shown, every arrival is passed on (rxShown) and the buffer is kept below 56000.
    bool showsRx() const { return m_showRx; }
    void setShowRx(bool show) { m_showRx = show; }

    int tickCount() const { return m_tickCount; }
    // The count after one more tick: 31999 is followed by 0, never by 32000.
    static constexpr int nextTick(int count) { return count + 1 >= kTickWrap ? 0 : count + 1; }
    // True when the last wait gave up.
    bool bTimedOut() const { return m_timedOut; }
    // A wait for the unit is under way: whatever runs now runs inside an operation.
    bool isWaiting() const { return m_waiting > 0; }

    void getRxData();
    void Timer1_Timer();
    void wait_ticks(int count);
    QString GetResponse();
    QString GetParameter();
    int GetWord();
    int GetVersion();
    // Waits, with the clock restarted, for a line feed at or after `*from` in the receive buffer
    // and returns its position; -1 when `stop` says so, or (with bTimedOut set) after 16 ticks
    // without one or when the port or the window closes. A handler running inside the wait may
    // empty the buffer: `*from` is then moved back to the buffer's end, where the next line starts.
    qsizetype waitForLine(qsizetype* from, const std::function<bool()>& stop);
    // Drops whatever the unit is still sending, so that no late answer or trace line can pass
    // for the reply to the next command: returns once nothing has arrived for `quietTicks`
    // ticks, with the buffer emptied. False when the unit kept sending for kDrainLimitTicks, or
    // the port or the window closed first.
    bool drainInput(int quietTicks);

    // The unit did not answer: tells the user, and the buffer says why.
    void reportTimeout();

    // The window is going away: nothing more is sent, and every wait ends at once (as a
    // timeout), so an operation under way reaches its next check and ends.
    void setClosing() { m_closing = true; }
    bool closing() const { return m_closing; }

    // Lets pending events run, blocking until at least one arrives (the tick guarantees one).
    static void waitForEvents();

  Q_SIGNALS:
    void opened(const QString& name);
    void openFailed(const QString& name);
    void connectionLost(const QString& name);
    void notOpen();  // something was to be sent with the port closed
    void timeoutReported();
    // The receive buffer while shown. `tailOnly` promises it only grew at its end since the
    // last time, so a view still showing that may append instead of rewriting.
    void rxShown(const QString& rxBuffer, bool tailOnly);
    // Every byte received, as it arrives, whether shown or not.
    void received(const QByteArray& bytes);
    // The port was closed, by the program or because the device went away.
    void portClosed();
    void parameterShown(const QString& parameter);  // txtData1
    void firmwareCaption(const QString& caption);   // lBootVersion
    void secondsCaption(const QString& caption);    // lTimer

  private:
    // waitForLine's loop without restarting the clock: a reply's two lines share one timeout.
    qsizetype awaitLineFeed(qsizetype* from, const std::function<bool()>& stop);
    void onConnectionLost();
    void showRx();

    SerialPortFactory m_factory;
    std::unique_ptr<SerialPort> m_port;
    QTimer m_timer;
    PortMap m_portMap;
    QString m_portName;
    QString m_rx;
    int m_tickCount = 0;
    qint64 m_ticks = 0;          // every tick since start; never reset by a wait
    qint64 m_receivedBytes = 0;  // every byte since start
    bool m_timedOut = false;
    bool m_showRx = false;
    bool m_rxRewritten = true;  // the buffer changed other than at its end since last shown
    bool m_closing = false;
    int m_waiting = 0;  // waits under way, nested ones included
};
