#include "console/command_history.h"

#include <algorithm>

const QString& CommandHistory::entry(int slot) const {
    static const QString kNone;
    if (slot < 0 || slot > kLastSlot) {
        return kNone;
    }
    return m_entries[static_cast<size_t>(slot)];
}

void CommandHistory::store(const QString& text) {
    if (m_position == kLastSlot && !m_entries.back().isEmpty()) {
        std::move(m_entries.begin() + 1, m_entries.end(), m_entries.begin());
    }
    m_entries[static_cast<size_t>(m_position)] = text;
    m_position = std::min(m_position + 1, kLastSlot);
}

const QString& CommandHistory::up() {
    if (m_position > 0) {
        --m_position;
    }
    return entry(m_position);
}

const QString& CommandHistory::down() {
    if (m_position < kLastSlot && !entry(m_position).isEmpty()) {
        ++m_position;
    }
    return entry(m_position);
}
