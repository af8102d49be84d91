#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class UnitModel;
class UnitRunner;

// Serves a UnitModel on a pseudo-terminal, so the program reaches it through a real serial
// port opened by path. Output is paced at the line rate unless pacing is switched off.
class PtyHost : public QObject {
    Q_OBJECT
  public:
    // Output waiting for a reader who does not read is cut to this, oldest bytes first, as
    // a real line loses what nobody takes.
    static constexpr qsizetype kMaxWriteBacklog = 64 * 1024;

    // `model` must outlive the host.
    explicit PtyHost(UnitModel* model, QObject* parent = nullptr);
    ~PtyHost() override;

    // Creates the pseudo-terminal; false with a message when the system refuses.
    bool start(QString* error);
    QString devicePath() const { return m_devicePath; }
    // A symlink to the device; an existing symlink at `path` is replaced, anything else is not.
    // The host removes it again when it stops.
    bool makeLink(const QString& path, QString* error);
    QString linkPath() const { return m_linkPath; }

    void setPacing(bool on);
    bool isServing() const { return m_master >= 0; }
    // How many programs have the device open now (our own descriptor not counted); -1 when the
    // system cannot tell, in which case everything is sent.
    int listeners() const { return m_listeners; }
    qint64 bytesWritten() const { return m_bytesWritten; }
    qint64 bytesDiscarded() const { return m_bytesDiscarded; }

    UnitRunner& runner() { return *m_runner; }

    // Closes the master side: the program sees the line go dead.
    void hangUp();

  Q_SIGNALS:
    void hungUp();

  private:
    void onReadable();
    void onWritable();
    void onOutput(const QByteArray& bytes);
    void flushWrites();
    void onDeviceEvents();
    void onRunnerHungUp();
    void drainThenHangUp();
    void stop();
    void removeLink();

    UnitRunner* m_runner;
    int m_master = -1;
    // We keep the slave open ourselves: without any slave the master reads EIO and polls
    // as hung up, which would make the read notifier fire without end.
    int m_slave = -1;
    int m_inotify = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QSocketNotifier* m_deviceNotifier = nullptr;
    QString m_devicePath;
    QString m_linkPath;
    QByteArray m_writeBuffer;
    QTimer m_drainTimer;
    QElapsedTimer m_drainStart;
    qint64 m_bytesWritten = 0;
    qint64 m_bytesDiscarded = 0;
    int m_listeners = -1;
};
