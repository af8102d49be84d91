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
    void msg(const QString& text) override { add(Colour::Normal, text); }
    void msgError(const QString& text) override { add(Colour::Error, text); }
    void msgStatus(const QString& text) override { add(Colour::Status, text); }
    void msgClear() override { current.clear(); }

    QList<Entry> entries;
    QString current;
    Colour colour = Colour::Normal;

  private:
    void add(Colour c, const QString& text) {
        entries.append({c, text});
        current = text;
        colour = c;
    }
};

// A data area that keeps the text and counts full rewrites against appends.
class RecordingDataView final : public DataView {
  public:
    QString text() const override { return m_text; }
    void setText(const QString& text) override {
        m_text = text;
        ++rewrites;
    }
    void appendText(const QString& text) override { m_text += text; }
    void showRx(const QString& rx, bool tailOnly) override {
        if (tailOnly && rx.startsWith(m_text)) {
            m_text = rx;
            ++appends;
        } else {
            setText(rx);
        }
    }
    int rewrites = 0;
    int appends = 0;

  private:
    QString m_text;
};
