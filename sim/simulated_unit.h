#pragma once

#include <QString>

#include <memory>

class PtyHost;
class UnitModel;

// The simulated unit behind `--simulate` (the window's and orvexctl's): served on a
// pseudo-terminal inside this process, so the program talks to it through the same serial-port
// code as to real hardware.
class SimulatedUnit {
  public:
    // Nothing when the pseudo-terminal could not be made; `error` then says why.
    static std::unique_ptr<SimulatedUnit> start(QString* error);
    ~SimulatedUnit();

    QString devicePath() const;

  private:
    SimulatedUnit();
    std::unique_ptr<UnitModel> m_model;
    std::unique_ptr<PtyHost> m_host;
};
