#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

#include "common/data_view.h"
#include "common/status_line.h"
#include "link/port_map.h"
#include "link/serial_port.h"

// The only road to the unit: the open port, the receive buffer, the 100 ms tick and the
// request/response waits every page uses. Everything runs on the GUI thread; a wait runs a
// nested event loop that blocks until something happens (data, a tick, a click).
class DeviceLink : public QObject {
    Q_OBJECT
  public:
    static constexpr int kTickMs = 100;
    static constexpr int kTickWrap = 32000;
    static constexpr int kReplyTimeoutTicks = 15;  // gives up when the count passes this
    static constexpr qsizetype kRxCutLength = 56000;
    static constexpr qsizetype kRxCutFrom = 3999;  // characters dropped by each cut

    DeviceLink(SerialPortFactory factory, StatusLine& status, DataView& data,
               QObject* parent = nullptr);
    ~DeviceLink() override;

    // Tests shorten the tick; behaviour depends on tick counts only.
    void setTickInterval(int ms);
    int tickInterval() const { return m_timer.interval(); }

    void setPortMap(const PortMap& map) { m_portMap = map; }
    const PortMap& portMap() const { return m_portMap; }

    bool isOpen() const;
    void closePort();

    // The window is going away: nothing more is sent, and every wait ends at once (as a
    // timeout), so an operation under way reaches its next check and ends.
    void setClosing() { m_closing = true; }
    bool closing() const { return m_closing; }
    SerialPort& port() { return *m_port; }

    bool OpenPort(const QString& name);
    void TxString(const QString& txt);
    void openError();
    void getRxData();
    void Timer1_Timer();
    void wait_ticks(int count);
    QString GetResponse();
    QString GetParameter();
    int GetWord();
    int GetVersion();
    void reportTimeout();
    void scrollText(const QString& txt);

    // Lets pending events run, blocking until at least one arrives (the tick guarantees one).
    static void waitForEvents();

    // RxBuffer: every character received since it was last cleared.
    const QString& RxBuffer() const { return m_rx; }
    void clearRxBuffer() { setRxBuffer(QString()); }
    void setRxBuffer(const QString& text);
    void appendRxBuffer(const QString& text) { m_rx += text; }

    int tickCount = 0;
    bool bTimedOut = false;
    bool bShowRx = false;
    QString portName;

  Q_SIGNALS:
    void parameterShown(const QString& parameter);  // txtData1
    void firmwareCaption(const QString& caption);   // lBootVersion
    void secondsCaption(const QString& caption);    // lTimer
    void connectionLost();

  private:
    void onConnectionLost();
    void showRx();

    SerialPortFactory m_factory;
    std::unique_ptr<SerialPort> m_port;
    StatusLine& m_status;
    DataView& m_data;
    QTimer m_timer;
    PortMap m_portMap;
    QString m_rx;
    bool m_rxRewritten = true;  // the buffer changed other than at its end since last shown
    bool m_closing = false;
};
