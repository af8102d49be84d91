#pragma once

#include <QColor>

#include "common/status_line.h"

class StatusText;

// The status line labStat: each message replaces the last, in the colour of its kind.
class StatusLabel final : public StatusLine {
  public:
    static inline const QColor kNormal{0, 0, 0};
    static inline const QColor kError{255, 0, 0};
    static inline const QColor kStatus{0, 128, 0};

    void attach(StatusText* label) { m_label = label; }
    void msg(const QString& text) override { show(text, kNormal); }
    void msgError(const QString& text) override { show(text, kError); }
    void msgStatus(const QString& text) override { show(text, kStatus); }
    void msgClear() override;

  private:
    void show(const QString& text, const QColor& colour);
    StatusText* m_label = nullptr;
};
