#pragma once

#include <QLabel>
#include <QStringList>
#include <QTimer>

#include <functional>

#include "support/test_window.h"

// Runs `action` once `ready` holds, looking on every pass of the event loop. Meant for acting
// while a click waits for the unit (a trace, an automatic run) inside its own event loop.
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

// A user's next click comes long after the unit answered the commands nobody waits for (the
// value's "s3c"/"s3b", a trace line on its way when "tf" went out); let those arrive first.
inline void settle(TestWindow& w) {
    w.form->link().wait_ticks(3);
}

inline QColor textColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

// The commands of `sent` that start with one of the prefixes.
inline QStringList only(const QStringList& sent, const QStringList& prefixes) {
    QStringList out;
    for (const QString& c : sent) {
        for (const QString& p : prefixes) {
            if (c.startsWith(p)) {
                out.append(c);
                break;
            }
        }
    }
    return out;
}
