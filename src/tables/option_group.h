#pragma once

#include <QRadioButton>
#include <QSignalBlocker>

#include <span>

namespace tables {

// Sets an option without running its handler; start-up runs the handlers itself.
inline void selectQuietly(QRadioButton* option) {
    const QSignalBlocker block(option);
    option->setChecked(true);
}

// Runs `handler` with the option's index when an option of `group` becomes selected, never on a
// second click of the selected one.
template <class Owner>
void connectOptions(Owner* owner, std::span<QRadioButton* const> group,
                    void (Owner::*handler)(int)) {
    for (int i = 0; i < static_cast<int>(group.size()); ++i) {
        QObject::connect(group[i], &QRadioButton::toggled, owner, [owner, handler, i](bool on) {
            if (on) {
                (owner->*handler)(i);
            }
        });
    }
}

}  // namespace tables
