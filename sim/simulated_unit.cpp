#include "sim/simulated_unit.h"

#include "sim/pty_host.h"
#include "sim/unit_model.h"

SimulatedUnit::SimulatedUnit() = default;
SimulatedUnit::~SimulatedUnit() = default;

std::unique_ptr<SimulatedUnit> SimulatedUnit::start(QString* error) {
    std::unique_ptr<SimulatedUnit> unit(new SimulatedUnit);
    UnitOptions options;
    options.noise = 2;  // a little life in the trace, as a real sensor has
    unit->m_model = std::make_unique<UnitModel>(options);
    unit->m_host = std::make_unique<PtyHost>(unit->m_model.get());
    if (!unit->m_host->start(error)) {
        return nullptr;
    }
    return unit;
}

QString SimulatedUnit::devicePath() const {
    return m_host->devicePath();
}
