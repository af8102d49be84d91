#pragma once

#include <QColor>
#include <QLabel>
#include <QPlainTextEdit>
#include <QWidget>

#include "common/data_view.h"

// A filled rectangle or circle: the port and calibration indicators.
class ShapeWidget : public QWidget {
    Q_OBJECT
  public:
    enum class Form { Rectangle, Circle };
    ShapeWidget(Form form, QWidget* parent = nullptr);

    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor& colour);
    // The neutral colour of an unlit indicator: the system's scroll-bar colour.
    static QColor neutralColor();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Form m_form;
    QColor m_fill;
};

// The status line: its text is always the whole message; a message wider than the line is drawn
// elided in the middle (its start and the end of a file name stay readable) and offered whole as
// the tool tip.
class StatusText : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

    void setMessage(const QString& text);
    // What the line draws.
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void updateToolTip();
};

// The received-data area. Keeps the exact text (CR LF and all) while showing line ends as the
// platform draws them, and appends only the new tail of the receive buffer when it can.
class DataArea : public QPlainTextEdit, public DataView {
    Q_OBJECT
  public:
    explicit DataArea(QWidget* parent = nullptr);

    QString text() const override { return m_text; }
    void setText(const QString& text) override;
    void appendText(const QString& text) override;
    void showRx(const QString& rxBuffer, bool tailOnly) override;

  private:
    void display(const QString& text);
    void displayAppend(const QString& text);
    void onContentsChange();

    QString m_text;
    bool m_writing = false;    // the change under way is ours, not the user's typing
    bool m_showsRx = false;    // the text is the receive buffer as last shown
    bool m_pendingCr = false;  // the shown text ended in a CR whose LF may follow
};
