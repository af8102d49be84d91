#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include "link/port_map.h"

// Port probing from a script: each device answers what the test set, any other is missing.
class FakePortProber final : public PortProber {
  public:
    void setResult(const QString& device, ProbeResult result) { m_results[device] = result; }

    ProbeResult probe(const QString& device) override {
        ++probes;
        return m_results.value(device, ProbeResult::Missing);
    }
    QStringList discover() override { return discovered; }

    QStringList discovered;  // what the system lists, as an adapter plugged in
    int probes = 0;          // trial opens made

  private:
    QMap<QString, ProbeResult> m_results;
};
