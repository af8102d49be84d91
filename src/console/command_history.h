#pragma once

#include <QString>

#include <array>

// The commands sent from the command box, oldest first, in 65 slots. One position serves both
// as the slot the next command is written to and as the slot shown while browsing, so a
// command sent after browsing up overwrites the entry that was shown.
class CommandHistory {
  public:
    static constexpr int kSlots = 65;
    static constexpr int kLastSlot = kSlots - 1;

    int position() const { return m_position; }
    const QString& entry(int slot) const;

    // Start-up puts the position back to the first slot; the entries are kept.
    void resetPosition() { m_position = 0; }

    // Writes `text` at the position and moves past it. When the last slot is taken and the
    // position is there, the oldest command is dropped first to make room.
    void store(const QString& text);

    // Up arrow: one slot back unless at the first; returns the slot now shown.
    const QString& up();
    // Down arrow: one slot forward while the shown slot holds a command; past the newest
    // command this is the empty slot, which empties the box.
    const QString& down();

  private:
    std::array<QString, kSlots> m_entries;
    int m_position = 0;
};
