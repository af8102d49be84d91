#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class PtyHost;
class UnitModel;

// The simulated unit behind `--simulate` (the window's and orvexctl's): served on a
// pseudo-terminal inside this process, so the program talks to it through the same serial-port
// code as to real hardware. Its EEPROM is kept in a state file between runs, so a table flashed
// by one run is there for the next, and the window and orvexctl share one unit.
//
// Two programs may simulate at the same time. Each then runs its own copy of the unit, loaded
// when it started; what either writes reaches the file cell by cell under a lock, so the file
// always holds the latest write to every cell and is never half written, but a program already
// running does not see what the other wrote until it starts again.
class SimulatedUnit {
  public:
    // Words for the user about the state file (it could not be read, or not be written).
    using Report = std::function<void(const QString&)>;

    // $XDG_STATE_HOME/Orvex/simulated-unit.eeprom, ~/.local/state/Orvex/... without it.
    static QString defaultStatePath();

    // Serves the unit whose EEPROM is kept at `statePath` (empty: in memory only). A state file
    // that cannot be read does not stop it: the unit starts as from the factory, the file is
    // replaced, and `report` says why. Nothing when the pseudo-terminal could not be made;
    // `error` then says why.
    static std::unique_ptr<SimulatedUnit> start(const QString& statePath, Report report,
                                                QString* error);
    // Saves what was written and is not saved yet.
    ~SimulatedUnit();

    QString devicePath() const;

  private:
    SimulatedUnit();
    void loadState();
    void noteCommand(const QByteArray& command);
    void save();

    std::unique_ptr<UnitModel> m_model;
    std::unique_ptr<PtyHost> m_host;
    QString m_statePath;
    Report m_report;
    QByteArray m_saved;         // the EEPROM as last saved
    QSet<int> m_written;        // cells written since, even with the value they held
    QTimer m_saveTimer;         // a flash writes 130 cells in a row: one save for each burst
    bool m_saveFailed = false;  // said once, until a save succeeds again
};
