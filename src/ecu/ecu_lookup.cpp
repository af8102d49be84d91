#include "ecu/ecu_lookup.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <optional>

#include "ecu/monotone_curve.h"
#include "link/hex_text.h"
#include "tables/afr_file_parser.h"
#include "tables/linear_table.h"

namespace ecu {

namespace {

enum class Kind { None, Db, Dw, Csv };

// One value of the file, error markers included; `volts` is known at once for CSV only.
struct Entry {
    double volts = 0;
    double raw = 0;  // as written: AFR x 10 (DB), x 100 (DW), AFR or lambda (CSV)
    int line = 0;
};

// The whole text (blanks around it allowed) is one number, "." whatever the locale.
std::optional<double> wholeNumber(QStringView text) {
    const QStringView t = text.trimmed();
    const LeadingNumber n = readLeadingNumber(t);
    if (t.isEmpty() || !n.found || n.length != t.size() || !std::isfinite(n.value)) {
        return std::nullopt;
    }
    return n.value;
}

Lookup refused(const QString& why) {
    Lookup l;
    l.error = why;
    return l;
}

Lookup refused(int line, const QString& why) {
    return refused(QStringLiteral("line %1: ").arg(line) + why);
}

QString voltsText(double volts) {
    return unitsText(roundHalfEven(volts * 1000), 3) + QStringLiteral(" V");
}

}  // namespace

Lookup readLookup(const QByteArray& bytes) {
    static const QByteArray kBom("\xEF\xBB\xBF");
    static const QRegularExpression kLabel(QStringLiteral("^[A-Za-z_.$?@][\\w.$?@]*:"));
    static const QRegularExpression kBlanks(QStringLiteral("\\s+"));
    const QStringList lines =
        tables::afrFileLines(QString::fromUtf8(bytes.startsWith(kBom) ? bytes.mid(3) : bytes));

    Kind kind = Kind::None;
    QList<Entry> entries;
    bool header = false;
    int voltsColumn = 0;
    int mixtureColumn = 1;
    int unit = 0;  // 1 AFR, -1 lambda, 0 judged by the values
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const int lineNo = static_cast<int>(n + 1);
        QString line = lines[n];
        if (const qsizetype comment = line.indexOf(u';'); comment >= 0) {
            line.truncate(comment);
        }
        line = line.trimmed();
        line = line.mid(kLabel.match(line).capturedLength()).trimmed();
        if (line.isEmpty()) {
            continue;
        }
        const QString word = line.section(kBlanks, 0, 0).toUpper();
        const Kind lineKind = word == u"DB" ? Kind::Db : word == u"DW" ? Kind::Dw : Kind::Csv;
        if (kind == Kind::None) {
            kind = lineKind;
        }
        if (lineKind != kind) {
            return refused(lineNo, QStringLiteral("\"%1\" is not a %2")
                                       .arg(line, kind == Kind::Db   ? QStringLiteral("DB line")
                                                  : kind == Kind::Dw ? QStringLiteral("DW line")
                                                                     : QStringLiteral("CSV row")));
        }
        if (kind != Kind::Csv) {
            for (const QString& cell : line.mid(2).split(u',')) {
                QString value = cell.trimmed();
                if (value.endsWith(u'T', Qt::CaseInsensitive)) {
                    value.chop(1);
                }
                const std::optional<double> v = wholeNumber(value);
                if (!v || *v < 0) {
                    return refused(lineNo,
                                   QStringLiteral("\"%1\" is not a mixture").arg(cell.trimmed()));
                }
                entries.append({0, *v, lineNo});
            }
            continue;
        }
        QStringList cells = line.contains(u',') ? line.split(u',') : line.split(kBlanks);
        for (QString& cell : cells) {
            cell = cell.trimmed();
        }
        if (!wholeNumber(cells[0]) && !header && entries.isEmpty()) {
            header = true;
            int afr = -1;
            int lambda = -1;
            voltsColumn = -1;
            for (int c = 0; c < cells.size(); ++c) {
                const QString name = cells[c].toLower();
                if (name.contains(u"volt") && voltsColumn < 0) {
                    voltsColumn = c;
                } else if (name.contains(u"afr") && afr < 0) {
                    afr = c;
                } else if ((name.contains(u"lambda") || name.contains(u'λ')) && lambda < 0) {
                    lambda = c;
                }
            }
            voltsColumn = std::max(voltsColumn, 0);
            // Both named: the AFR's two decimals are finer than lambda's three.
            mixtureColumn = afr >= 0 ? afr : lambda >= 0 ? lambda : voltsColumn == 0 ? 1 : 0;
            unit = afr >= 0 ? 1 : lambda >= 0 ? -1 : 0;
            continue;
        }
        const auto cell = [&cells](int c) {
            return c < cells.size() ? wholeNumber(cells[c]) : std::nullopt;
        };
        const std::optional<double> volts = cell(voltsColumn);
        const std::optional<double> mixture = cell(mixtureColumn);
        if (!volts || !mixture || *mixture < 0) {
            return refused(lineNo, QStringLiteral("\"%1\" is not volts and a mixture").arg(line));
        }
        if (*volts < 0 || *volts > 5) {
            return refused(lineNo, voltsText(*volts) + QStringLiteral(" is outside 0..5 V"));
        }
        if (!entries.isEmpty() && *volts <= entries.last().volts) {
            return refused(lineNo, QStringLiteral("the volts do not rise"));
        }
        entries.append({*volts, *mixture, lineNo});
    }

    Lookup out;
    double scale = 1;
    double marker = 99.99;  // as written, so that "999.9" meets 999.9 exactly
    if (kind == Kind::None) {
        return refused(QStringLiteral("no lookup entries in the file"));
    }
    if (kind != Kind::Csv) {
        const QString name = kind == Kind::Db ? QStringLiteral("DB") : QStringLiteral("DW");
        const qsizetype count = entries.size();
        if (count != 256 && count != 1024) {
            return refused(QStringLiteral("%1 %2 entries: a lookup has 256 (8-bit ADC) or 1024 "
                                          "(10-bit ADC)")
                               .arg(count)
                               .arg(name));
        }
        for (qsizetype k = 0; k < count; ++k) {
            entries[k].volts = 5.0 * static_cast<double>(k) / static_cast<double>(count - 1);
        }
        scale = kind == Kind::Db ? 10 : 100;
        marker = kind == Kind::Db ? 999.9 : 9999;
        out.shape = QStringLiteral("%1, %2-bit ADC").arg(name).arg(count == 256 ? 8 : 10);
    } else {
        if (unit == 0) {
            double smallest = marker;
            for (const Entry& e : entries) {
                if (e.raw > 0) {
                    smallest = std::min(smallest, e.raw);
                }
            }
            unit = smallest < 3 ? -1 : 1;
        }
        out.afr = unit > 0;
        out.shape = out.afr ? QStringLiteral("CSV volts,afr") : QStringLiteral("CSV volts,lambda");
    }
    for (const Entry& e : entries) {
        if (e.raw == 0 || e.raw >= marker) {
            ++out.leftOut;
            continue;
        }
        out.volts.append(e.volts);
        out.mixture.append(e.raw / scale);
        out.lines.append(e.line);
    }
    if (out.volts.size() < 2) {
        return refused(QStringLiteral("fewer than 2 entries besides error markers"));
    }
    return out;
}

Match matchLookup(const Lookup& lookup, double stoich) {
    Match m;
    if (!lookup.error.isEmpty()) {
        m.error = lookup.error;
        return m;
    }
    if (lookup.afr && !tables::isUsableStoich(stoich)) {
        m.error = tables::checkMessage(tables::LinearCheck::StoichNotPositive);
        return m;
    }
    const Monotone shape = checkMonotone(lookup.mixture);
    if (shape.flat) {
        m.error = QStringLiteral("The lookup reads the same mixture at every voltage");
        return m;
    }
    if (shape.turnsAt >= 0) {
        m.error = QStringLiteral("The lookup's mixture %1 up to line %2 (%3), then %4")
                      .arg(shape.rises ? QStringLiteral("rises") : QStringLiteral("falls"))
                      .arg(lookup.lines[shape.turnsAt])
                      .arg(voltsText(lookup.volts[shape.turnsAt]),
                           shape.rises ? QStringLiteral("falls") : QStringLiteral("rises"));
        return m;
    }
    for (int i = 0; i < tables::kEntries; ++i) {
        const double target = tables::LambdaPoints[i] * (lookup.afr ? stoich : 1.0);
        const Reach r = reach(lookup.volts, lookup.mixture, target, Beyond::OuterEnd);
        m.counts[i] = roundHalfEven(r.x * 4095.0 / 5.0);
        m.limited += r.beyond != 0 ? 1 : 0;
    }
    return m;
}

QString matchSummary(const Lookup& lookup, const Match& match) {
    const auto [low, high] = std::minmax_element(lookup.mixture.begin(), lookup.mixture.end());
    const int decimals = lookup.afr ? 2 : 3;
    const auto text = [decimals](double v) {
        return unitsText(roundHalfEven(v * (decimals == 2 ? 100 : 1000)), decimals);
    };
    return QStringLiteral("%1 breakpoints outside the lookup's %2 %3 .. %4 limited to its ends")
        .arg(match.limited)
        .arg(lookup.afr ? QStringLiteral("AFR") : QStringLiteral("lambda"), text(*low),
             text(*high));
}

}  // namespace ecu
