#include "sim/fake_port_prober.h"

#include <utility>

FakePortProber::FakePortProber(QMap<QString, ProbeResult> results, QStringList discovered)
    : m_results(std::move(results)), m_discovered(std::move(discovered)) {}

ProbeResult FakePortProber::probe(const QString& device) {
    m_probed.append(device);
    return m_results.value(device, ProbeResult::Missing);
}
