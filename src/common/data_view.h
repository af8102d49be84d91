#pragma once

#include <QString>

// The shared received-data area. Kept behind an interface so the link and the page logic
// never touch a widget; the window supplies the real text box.
class DataView {
  public:
    virtual ~DataView() = default;

    virtual QString text() const = 0;
    // Replaces the whole text and puts the caret after its last character.
    virtual void setText(const QString& text) = 0;
    // Appends without a line break and scrolls to the end.
    virtual void appendText(const QString& text) = 0;

    // Shows the receive buffer whole, caret at the end. `tailOnly` promises that the buffer only
    // grew at its end since the last call, so a view that still shows that earlier buffer may
    // append the new characters instead of rewriting everything.
    virtual void showRx(const QString& rxBuffer, bool tailOnly) {
        (void)tailOnly;
        setText(rxBuffer);
    }
};

// A data area that only keeps its text: a log nobody watches while it is written.
class TextDataView final : public DataView {
  public:
    QString text() const override { return m_text; }
    void setText(const QString& text) override { m_text = text; }
    void appendText(const QString& text) override { m_text += text; }

  private:
    QString m_text;
};
