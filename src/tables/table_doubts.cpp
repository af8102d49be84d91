#include "tables/table_doubts.h"

#include <algorithm>

#include "tables/table_file.h"

namespace tables {

namespace {

constexpr qint64 kFullScale = 4095;  // 5 V
constexpr qint64 kMostVolts = 5;
constexpr int kLinesNamed = 5;

// "1 value is" / "3 values are".
QString counted(qsizetype n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
}

// "line 4" / "lines 4, 10" / "lines 1, 2, 3, 4, 5 ...": the file's line numbers of the data
// lines at these places.
QString lineList(const AfrFileContent& file, const QList<int>& places) {
    QStringList numbers;
    for (qsizetype i = 0; i < places.size() && i < kLinesNamed; ++i) {
        numbers << QString::number(file.lines.value(places[i]));
    }
    return (places.size() == 1 ? QStringLiteral("line ") : QStringLiteral("lines ")) +
           numbers.join(QStringLiteral(", ")) +
           (places.size() > kLinesNamed ? QStringLiteral(" ...") : QString());
}

// The places in [first, end) of `places`: the data lines that reach the unit.
QList<int> within(const QList<int>& places, int first, int end) {
    QList<int> out;
    std::copy_if(places.begin(), places.end(), std::back_inserter(out),
                 [&](int at) { return at >= first && at < end; });
    return out;
}

int pinNamed(const QString& name) {
    const auto* found = std::find(PinNames.begin() + 1, PinNames.end(), name);
    return found == PinNames.end() ? 0 : static_cast<int>(found - PinNames.begin());
}

// All 65 values counting up by one from 0 or 1: the numbers of the entries, not their values.
bool isIndexColumn(const QList<qint64>& body) {
    if (body.size() != kEntries || (body[0] != 0 && body[0] != 1)) {
        return false;
    }
    for (qsizetype i = 1; i < body.size(); ++i) {
        if (body[i] != body[0] + i) {
            return false;
        }
    }
    return true;
}

}  // namespace

QStringList tableDoubts(const std::array<qint64, kEntries>& values) {
    QStringList doubts;
    const qsizetype above =
        std::count_if(values.begin(), values.end(), [](qint64 v) { return v > kFullScale; });
    if (above > 0) {
        const qint64 most = *std::max_element(values.begin(), values.end());
        doubts << counted(above, "value is", "values are") +
                      QStringLiteral(" above 4095 (beyond 5 V), ") +
                      (most <= kMaxStoredValue
                           ? QStringLiteral("up to ") + QString::number(most)
                           : QStringLiteral("some beyond 32767 (programmed as 32767)"));
    }
    const qsizetype below =
        std::count_if(values.begin(), values.end(), [](qint64 v) { return v < 0; });
    if (below > 0) {
        doubts << counted(below, "value is", "values are") +
                      QStringLiteral(" below 0 (programmed as 0)");
    }
    if (std::all_of(values.begin(), values.end(), [&](qint64 v) { return v == values[0]; })) {
        doubts << QStringLiteral("all 65 values are %1")
                      .arg(std::clamp<qint64>(values[0], 0, kMaxStoredValue));
    }
    return doubts;
}

QStringList fileDoubts(const AfrFileContent& file, int pin) {
    QStringList doubts;
    const qsizetype count = file.values.size();
    // A column heading not marked as a comment takes entry 0 and pushes the last one out.
    const bool heading = count == kEntries + 1 && file.withoutNumber.value(0, -1) == 0;
    const int first = heading ? 1 : 0;
    if (heading) {
        doubts << QStringLiteral(
            "the first line is a heading and every entry is shifted by one: remove the heading "
            "line");
    }
    const int saved = pinNamed(file.pin);
    if (saved != 0 && saved != pin) {
        doubts << QStringLiteral("this file was saved for the %1 pin, not %2")
                      .arg(pinShortName(saved), pinShortName(pin));
    }

    const QList<qint64> body = file.values.mid(first, kEntries);
    if (isIndexColumn(body)) {
        doubts << QStringLiteral(
                      "the first column is an index (%1, %2, %3 ... %4), not the values: put the "
                      "values in the first column")
                      .arg(body[0])
                      .arg(body[1])
                      .arg(body[2])
                      .arg(body.last());
    }
    const QList<int> zeros = within(file.withoutNumber, first, kEntries);
    qint64 most = 0;
    bool volts = true;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (!zeros.contains(static_cast<int>(i + first))) {
            volts = volts && body[i] >= 0 && body[i] <= kMostVolts;
            most = std::max(most, body[i]);
        }
    }
    if (volts && most > 0) {
        doubts << QStringLiteral(
            "the file holds volts: every value is 5 or less; write counts, 4095 for 5 V");
    }
    if (const QList<int> letters = within(file.intoLetters, first, kEntries); !letters.isEmpty()) {
        doubts << counted(letters.size(), "line has", "lines have") +
                      QStringLiteral(
                          " a number running into letters (%1): write plain numbers, "
                          "&H1F for hex")
                          .arg(lineList(file, letters));
    }
    if (!zeros.isEmpty()) {
        doubts << counted(zeros.size(), "line without a number was",
                          "lines without a number were") +
                      QStringLiteral(" read as 0 (%1): give each a value or start it with \";\"")
                          .arg(lineList(file, zeros));
    }
    if (count < kEntries) {
        doubts << QStringLiteral("only %1 of 65 entries: the rest are programmed as 0").arg(count);
    } else if (count > kEntries && !heading) {
        doubts
            << QStringLiteral("%1 entries, not 65: those after the 65th are left out").arg(count);
    }
    return doubts + tableDoubts(importTable(file).values);
}

QString doubtQuestion(const QStringList& doubts) {
    return QStringLiteral("This table looks wrong:\n- ") + doubts.join(QStringLiteral("\n- ")) +
           QStringLiteral("\nProgram it anyway?");
}

}  // namespace tables
