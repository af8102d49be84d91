#pragma once

#include <QColor>
#include <QLabel>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <memory>

#include "app/form1.h"
#include "sim/fake_port_prober.h"
#include "sim/fake_serial_port.h"
#include "sim/unit_model.h"
#include "support/scripted_dialogs.h"

struct TestWindowConfig {
    QStringList presentPorts{QStringLiteral("COM1")};  // each is /dev/fakeN
    QString savedPort = QStringLiteral("COM1");
    UnitOptions unit;
    bool unitAttached = true;  // false: nothing answers on the line
    int tickMs = 10;
    bool load = true;  // run Form_Load
};

// A Form1 wired to the in-process simulated unit with a 10 ms tick, for widget tests.
// By default COM1 exists, is saved as the last port, and a unit answers on it.
class TestWindow {
  public:
    using Config = TestWindowConfig;

    explicit TestWindow(Config config = {}) : m_config(std::move(config)) {
        for (const QString& name : m_config.presentPorts) {
            const QString device = QStringLiteral("/dev/fake") + name.mid(3);
            m_prober.setResult(device, ProbeResult::Available);
            m_options.commandLinePorts.insert(comNumber(name), device);
        }
        model = m_config.unitAttached ? std::make_shared<UnitModel>(m_config.unit) : nullptr;
        m_options.portFactory = [this] {
            auto port = std::make_unique<FakeSerialPort>(model);
            port->setInstant(true);
            m_port = port.get();
            return port;
        };
        m_options.prober = &m_prober;
        m_options.dialogs = &dialogs;
        m_options.tickMs = m_config.tickMs;
        if (!m_config.savedPort.isNull()) {
            saveSetting(QStringLiteral("port"), m_config.savedPort);
        }
        form = std::make_unique<Form1>(m_options);
        if (m_config.load) {
            form->Form_Load();
        }
    }

    // Settings go to the test's own XDG_CONFIG_HOME (set by CTest).
    static void saveSetting(const QString& key, const QString& value) {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                    QStringLiteral("CONF"));
        s.setValue(QStringLiteral("Startup/") + key, value);
    }
    static void clearSettings() {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                    QStringLiteral("CONF"));
        s.clear();
    }

    template <class T>
    T* get(const char* name) const {
        return form->findChild<T*>(QLatin1String(name));
    }

    FakeSerialPort& port() { return *m_port; }
    QStringList sent() const { return m_port->writtenCommands(); }
    QString statusText() const { return get<QLabel>("labStat")->text(); }
    QColor statusColour() const {
        return get<QLabel>("labStat")->palette().color(QPalette::WindowText);
    }
    FakePortProber& prober() { return m_prober; }

    ScriptedDialogs dialogs;
    std::shared_ptr<UnitModel> model;
    std::unique_ptr<Form1> form;

  private:
    Config m_config;
    FakePortProber m_prober;
    Form1::Options m_options;
    FakeSerialPort* m_port = nullptr;
};
