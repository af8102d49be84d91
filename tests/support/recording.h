#pragma once

#include <QList>
#include <QString>

#include "common/data_view.h"
#include "common/status_line.h"

// Remembers every status message with its kind.
class RecordingStatus final : public StatusLine {
  public:
    struct Entry {
        Colour colour;
        QString text;
    };
    void msg(const QString& text) override { entries.append({Colour::Normal, text}); }
    void msgError(const QString& text) override { entries.append({Colour::Error, text}); }
    void msgStatus(const QString& text) override { entries.append({Colour::Status, text}); }
    void msgClear() override {}

    QStringList errors() const {
        QStringList out;
        for (const Entry& e : entries) {
            if (e.colour == Colour::Error) {
                out.append(e.text);
            }
        }
        return out;
    }
    QList<Entry> entries;
};
