#pragma once

#include <QDialog>
#include <QList>

#include <functional>

#include "unitdata/backup_list.h"
#include "unitdata/output_test.h"

class Dialogs;
class EepromController;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class StatusLine;

// The output tests of the unit the window uses: the pins that hold a test table, and putting a
// pin's own table back (true when it verified; the test ends then).
class OutputTests {
  public:
    OutputTests(QString statePath, EepromController& eeprom, StatusLine& status)
        : m_path(std::move(statePath)), m_eeprom(eeprom), m_status(status) {}

    QList<unitdata::OutputTest> held() const;
    std::optional<unitdata::OutputTest> heldOn(int pin) const;
    // Backs the pin's table up and writes a flat table of the voltage; the test is recorded once
    // the backup is taken, whatever the run's end, since the pin may no longer hold its table.
    void hold(int pin, int centivolts);
    bool restore(const unitdata::OutputTest& test);
    // In red on the status line, every pin's; false when none holds a test table.
    bool showHeld() const;
    // Before the window closes: Restore (closes only once every pin's table verified), Leave it
    // (the tests stay recorded for a later run), or Cancel. True when the window may close.
    bool askBeforeClose(Dialogs& dialogs);

  private:
    QString m_path;
    EepromController& m_eeprom;
    StatusLine& m_status;
};

// "Output Test ...": a pin held at a voltage by a flat table, so a meter and the ECU can be read
// against it; what the ECU's reading means in mixture at that point of the pin's own table; and
// "Restore", which puts that table back.
class OutputTestDialog : public QDialog {
    Q_OBJECT
  public:
    struct Parts {
        OutputTests& tests;
        EepromController& eeprom;
        std::function<int()> chosenPin;  // the page's pin, offered first
        std::function<double()> stoich;  // the page's stoich AFR
    };
    OutputTestDialog(const Parts& parts, QWidget* parent);

    // Takes the page's pin and shows what the unit holds.
    void refresh();

    void btnTestHold_Click();
    void btnTestRestore_Click();
    void txtEcuReads_Change();

  private:
    int pin() const;
    void showState();

    Parts m_parts;
    bool m_busy = false;
    // The chosen pin's test and the backup of its own table, read when the state changes, not
    // at every key typed into the ECU's reading.
    std::optional<unitdata::OutputTest> m_held;
    unitdata::Backup m_own;
    QComboBox* m_pin;
    QLineEdit* m_volts;
    QPushButton* m_hold;
    QLabel* m_state;
    QLineEdit* m_ecuReads;
    QLabel* m_offset;
    QPushButton* m_restore;
};
