#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

#include "app/form1.h"
#include "app/port_selector.h"
#include "app/widgets.h"
#include "common/data_view.h"
#include "sim/unit_model.h"
#include "support/fake_port_prober.h"
#include "support/fake_serial_port.h"
#include "support/fake_system.h"
#include "support/scripted_dialogs.h"

// Runs `action` once `ready` holds, looking on every pass of the event loop: for acting while a
// click waits for the unit (a trace, a run) inside its own event loop.
inline void when(std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer;
    timer->setInterval(1);
    QObject::connect(timer, &QTimer::timeout, [timer, ready, action] {
        if (ready()) {
            timer->stop();
            timer->deleteLater();
            action();
        }
    });
    timer->start();
}

struct TestWindowConfig {
    QStringList presentPorts{QStringLiteral("COM1")};  // each is /dev/fakeN
    QString savedPort = QStringLiteral("COM1");
    UnitOptions unit = {};
    bool unitAttached = true;  // false: nothing answers on the line
    bool load = true;          // run the start-up
    bool shown = false;        // on screen with the focus, for real input events
    // Not empty: a further device, attached as --simulate attaches its unit (the same unit
    // answers on every port here).
    QString simulatedDevice = {};
};

// A window on the in-process simulated unit with a 10 ms tick, as the widget tests use it. By
// default COM1 exists, is saved as the last port, and a unit answers on it. Controls are found
// by objectName, as a user's tools would. Other settings are the test's own (clearSettings()).
class TestWindow {
  public:
    using Config = TestWindowConfig;
    static constexpr int kTickMs = 10;

    explicit TestWindow(const Config& config = {}) {
        Form1::Options options;
        for (const QString& name : config.presentPorts) {
            const QString device = QStringLiteral("/dev/fake") + name.mid(3);
            m_prober.setResult(device, ProbeResult::Available);
            system.addDevice(device);
            options.commandLinePorts.insert(comNumber(name), device);
        }
        if (!config.simulatedDevice.isEmpty()) {
            m_prober.setResult(config.simulatedDevice, ProbeResult::Available);
            system.addDevice(config.simulatedDevice);
            options.attachSimulatedUnit(config.simulatedDevice);
        }
        model = config.unitAttached ? std::make_shared<UnitModel>(config.unit) : nullptr;
        options.portFactory = [this] {
            auto port = std::make_unique<FakeSerialPort>(model);
            m_port = port.get();
            return port;
        };
        options.prober = &m_prober;
        options.system = &system;
        options.openUrl = [this](const QUrl& url) {
            opened << url;
            return true;
        };
        options.dialogs = &dialogs;
        options.tickMs = kTickMs;
        if (!config.savedPort.isNull()) {
            saveSetting(QStringLiteral("port"), config.savedPort);
        }
        form = std::make_unique<Form1>(options);
        if (config.load) {
            form->Form_Load();
        }
        if (config.shown) {
            form->show();
            form->activateWindow();
            m_active = QTest::qWaitForWindowActive(form.get());
        }
    }

    // Settings go to the test's own XDG_CONFIG_HOME (set by CTest).
    static QSettings settings() {
        return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orvex"),
                         QStringLiteral("CONF"));
    }
    static void saveSetting(const QString& key, const QString& value) {
        settings().setValue(QStringLiteral("Startup/") + key, value);
    }
    static void clearSettings() { settings().clear(); }

    template <class T = QWidget>
    T* get(const char* name) const {
        return form->findChild<T*>(QLatin1String(name));
    }
    bool active() const { return m_active; }

    FakeSerialPort& port() { return *m_port; }
    FakePortProber& prober() { return m_prober; }
    QStringList sent() const { return m_port ? m_port->writtenCommands() : QStringList(); }
    qsizetype mark() const { return sent().size(); }
    QStringList sentSince(qsizetype mark) const { return sent().mid(mark); }
    QString statusText() const { return get<QLabel>("labStat")->text(); }
    QColor statusColour() const {
        return get<QLabel>("labStat")->palette().color(QPalette::WindowText);
    }
    QString data() const { return form->data().text(); }
    // A user's next click comes long after the unit answered what nobody waits for (a page
    // switch's "tf", the value's "s3c"/"s3b"); let those arrive first.
    void settle() { form->link().wait_ticks(3); }

    // A page chosen as the user does it: a click on its tab.
    void showPage(int index) {
        QTabBar* bar = get<QTabWidget>("SSTab1")->tabBar();
        if (form->isVisible()) {
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        } else {
            bar->setCurrentIndex(index);
        }
    }
    // A click on a button (a mouse click while the window is shown).
    void click(const char* name) {
        auto* button = get<QAbstractButton>(name);
        if (button->isVisible()) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else {
            button->click();
        }
    }
    void choose(const char* list, int index) { get<QComboBox>(list)->setCurrentIndex(index); }
    // Replaces a box's text by typing, as the user does (the box's own handlers run).
    void type(const char* box, const QString& text) {
        auto* edit = get<QLineEdit>(box);
        edit->setFocus(Qt::MouseFocusReason);
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    ScriptedDialogs dialogs;
    FakeSystem system;   // the machine the doctor sees
    QList<QUrl> opened;  // what the window asked the desktop to open
    std::shared_ptr<UnitModel> model;
    std::unique_ptr<Form1> form;

  private:
    FakePortProber m_prober;
    FakeSerialPort* m_port = nullptr;
    bool m_active = false;
};
