#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <QScrollBar>
#include <QWidget>

#include <optional>

#include "common/data_view.h"
#include "common/paced_update.h"

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

// A scroll bar drawn again only when a change of its range or value moves what it shows. A live
// trace grows the range at every line, while the handle moves by a pixel every few lines; the
// style's groove is a gradient taller than the new line and costs more to draw than the text.
class SteadyScrollBar : public QScrollBar {
    Q_OBJECT
  public:
    using QScrollBar::QScrollBar;

  protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    std::optional<Look> m_drawn;  // the look last drawn whole
    bool m_checkQueued = false;
};

// The received-data area. Keeps the exact text (CR LF and all) while showing line ends as the
// platform draws them, and appends only the new tail of the receive buffer when it can.
//
// text() is always current; what is drawn follows only while the area is shown, and in a stream
// of arrivals at most every kPaceMs: a trace adds ten lines a second and a flash logs a hundred
// exchanges, far faster than anyone reads. After a pause the first kBurst arrivals (a command's
// echo, then its reply) are drawn at once.
class DataArea : public QPlainTextEdit, public DataView {
    Q_OBJECT
  public:
    static constexpr int kPaceMs = 200;
    static constexpr int kBurst = 3;

    explicit DataArea(QWidget* parent = nullptr);

    QString text() const override { return m_text; }
    void setText(const QString& text) override;
    void appendText(const QString& text) override;
    void showRx(const QString& rxBuffer, bool tailOnly) override;
    // Draws what is still waiting for its turn, shown or not.
    void flushDisplay() { m_paced.flush(); }

  protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    void applyDisplay();
    void display(const QString& text);
    void displayAppend(const QString& text);
    void onContentsChange();

    PacedUpdate m_paced{[this] { applyDisplay(); }, kPaceMs, kBurst};
    bool m_rewrite = false;  // the next drawing replaces everything
    QString m_tail;          // else what it appends
    QString m_text;
    bool m_writing = false;    // the change under way is ours, not the user's typing
    bool m_showsRx = false;    // the text is the receive buffer as last shown
    bool m_pendingCr = false;  // the shown text ended in a CR whose LF may follow
};

// A dialog's button that Enter in its boxes does not press.
QPushButton* dialogButton(const char* name, const QString& text, QWidget* parent);

// Sets a box's text at once while it is shown, else when it is shown next: the Free Air page's
// box takes every reply's parameter, and laying out text nobody sees costs more than a flash's
// exchange. A text set on the box meanwhile by anyone else wins over the one waiting.
class ShownLater : public QObject {
    Q_OBJECT
  public:
    explicit ShownLater(QLineEdit* box);
    void setText(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* m_box;
    std::optional<QString> m_waiting;
    bool m_applying = false;
};
