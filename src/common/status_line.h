#pragma once

#include <QString>

// The one-line status line at the bottom of the window. Each message replaces the last; the
// colour tells its kind. Implemented by the window; tests record what was shown.
class StatusLine {
  public:
    enum class Colour { Normal, Error, Status };

    virtual ~StatusLine() = default;
    virtual void msg(const QString& text) = 0;        // black: progress
    virtual void msgError(const QString& text) = 0;   // red: errors and refusals
    virtual void msgStatus(const QString& text) = 0;  // dark green: success and state
    virtual void msgClear() = 0;                      // empties the text, keeps the colour
};
