#include "sim/simulated_unit.h"

#include <QDir>

#include <algorithm>
#include <utility>

#include "sim/eeprom_file.h"
#include "sim/pty_host.h"
#include "sim/unit_model.h"
#include "sim/unit_runner.h"

namespace {

// Writes reach the file this long after the first of a burst at the latest (and at exit).
constexpr int kSaveDelayMs = 100;

// The cell an EEPROM write command names ("e" + 4 hex digits address + 2 hex digits data, either
// case), or -1.
int writtenCell(const QByteArray& command) {
    const auto hex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    };
    if (command.size() != 7 || command.at(0) != 'e' ||
        !std::all_of(command.begin() + 1, command.end(), hex)) {
        return -1;
    }
    const int address = command.mid(1, 4).toInt(nullptr, 16);
    return address < UnitModel::kEepromSize ? address : -1;
}

}  // namespace

SimulatedUnit::SimulatedUnit() = default;

SimulatedUnit::~SimulatedUnit() {
    if (m_saveTimer.isActive() || !m_written.isEmpty()) {
        save();
    }
}

QString SimulatedUnit::defaultStatePath() {
    // Qt 6.4 knows no state location. The rule of the base directories: a relative path is
    // ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return base + QStringLiteral("/Orvex/simulated-unit.eeprom");
}

std::unique_ptr<SimulatedUnit> SimulatedUnit::start(const QString& statePath, Report report,
                                                    QString* error) {
    std::unique_ptr<SimulatedUnit> unit(new SimulatedUnit);
    UnitOptions options;
    options.noise = 2;  // a little life in the trace, as a real sensor has
    unit->m_model = std::make_unique<UnitModel>(options);
    unit->m_statePath = statePath;
    unit->m_report = std::move(report);
    unit->m_host = std::make_unique<PtyHost>(unit->m_model.get());
    if (!unit->m_host->start(error)) {
        return nullptr;
    }
    if (!statePath.isEmpty()) {
        unit->loadState();
        SimulatedUnit* u = unit.get();
        UnitRunner* runner = &unit->m_host->runner();
        QObject::connect(runner, &UnitRunner::commandReceived, runner,
                         [u](const QByteArray& command) { u->noteCommand(command); });
        QObject::connect(runner, &UnitRunner::eepromChanged, runner, [u] {
            if (!u->m_saveTimer.isActive()) {
                u->m_saveTimer.start();
            }
        });
        unit->m_saveTimer.setSingleShot(true);
        unit->m_saveTimer.setInterval(kSaveDelayMs);
        QObject::connect(&unit->m_saveTimer, &QTimer::timeout, runner, [u] { u->save(); });
    }
    return unit;
}

QString SimulatedUnit::devicePath() const {
    return m_host->devicePath();
}

void SimulatedUnit::loadState() {
    QString why;
    const std::optional<QByteArray> kept = EepromFile::read(m_statePath, &why);
    if (kept) {
        m_model->loadEeprom(*kept);
    } else if (!why.isEmpty() && m_report) {
        m_report(QStringLiteral("The simulated unit's saved state could not be used (%1); it "
                                "starts as from the factory.")
                     .arg(why));
    }
    m_saved = m_model->eeprom();
    // A new unit's file is made now (one that could not be read is replaced), so a state that
    // cannot be kept is said at once, not at the first write.
    save();
}

void SimulatedUnit::noteCommand(const QByteArray& command) {
    if (const int cell = writtenCell(command); cell >= 0) {
        m_written.insert(cell);
    } else if (command == "w") {  // the calibration value's two cells
        m_written.insert(UnitModel::kCalHighCell);
        m_written.insert(UnitModel::kCalLowCell);
    }
}

void SimulatedUnit::save() {
    m_saveTimer.stop();
    const QByteArray& now = m_model->eeprom();
    for (int cell = 0; cell < now.size(); ++cell) {
        if (now.at(cell) != m_saved.at(cell)) {
            m_written.insert(cell);
        }
    }
    QString why;
    if (EepromFile::writeCells(m_statePath, now, m_written, &why)) {
        m_written.clear();
        m_saved = now;
        m_saveFailed = false;
    } else if (!std::exchange(m_saveFailed, true) && m_report) {
        m_report(QStringLiteral("The simulated unit's EEPROM could not be saved (%1); what it "
                                "holds now is forgotten when the program ends.")
                     .arg(why));
    }
}
