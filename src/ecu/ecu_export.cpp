#include "ecu/ecu_export.h"

#include <QFileInfo>

#include <charconv>
#include <utility>

#include "ecu/monotone_curve.h"
#include "link/hex_text.h"
#include "tables/linear_table.h"

namespace ecu {

const std::array<LookupKind, 5> kLookupKinds{{
    {Format::Csv, 0, QStringLiteral("CSV volts,lambda,afr (*.csv)"), QStringLiteral("csv")},
    {Format::Db, 8, QStringLiteral("DB lines, 8-bit ADC (*.inc)"), QStringLiteral("inc")},
    {Format::Db, 10, QStringLiteral("DB lines, 10-bit ADC (*.inc)"), QStringLiteral("inc")},
    {Format::Dw, 8, QStringLiteral("DW lines, 8-bit ADC (*.inc)"), QStringLiteral("inc")},
    {Format::Dw, 10, QStringLiteral("DW lines, 10-bit ADC (*.inc)"), QStringLiteral("inc")},
}};

namespace {

const QString kCrLf = QStringLiteral("\r\n");
constexpr int kCsvRows = 101;  // 0.00 V to 5.00 V in 0.05 V steps

QString lambdaText(int entry) {
    return unitsText(roundHalfEven(tables::LambdaPoints[entry] * 10000), 4);
}

// The shortest text that reads back as the same number, "." whatever the locale.
QString shortestText(double v) {
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    return QString::fromLatin1(buf, end - buf);
}

QString tableProblem(const QList<double>& counts) {
    const Monotone m = checkMonotone(counts);
    if (m.flat) {
        return QStringLiteral(
            "The table puts out the same voltage at every mixture: no ECU "
            "lookup can read it back");
    }
    if (m.turnsAt >= 0) {
        return QStringLiteral(
                   "The table %1 up to entry %2 (lambda %3), then %4: no ECU lookup "
                   "can read it back")
            .arg(m.rises ? QStringLiteral("rises") : QStringLiteral("falls"))
            .arg(m.turnsAt)
            .arg(lambdaText(m.turnsAt),
                 m.rises ? QStringLiteral("falls") : QStringLiteral("rises"));
    }
    return {};
}

}  // namespace

namespace {

constexpr std::pair<Format, const char*> kFormatNames[] = {
    {Format::Csv, "csv"}, {Format::Db, "db"}, {Format::Dw, "dw"}};

}  // namespace

std::optional<Format> formatNamed(const QString& name) {
    for (const auto& [format, text] : kFormatNames) {
        if (name == QLatin1String(text)) {
            return format;
        }
    }
    return std::nullopt;
}

QString formatName(Format format) {
    for (const auto& [f, text] : kFormatNames) {
        if (f == format) {
            return QLatin1String(text);
        }
    }
    return {};
}

QString fileSource(const QString& path) {
    return QStringLiteral("file ") + QFileInfo(path).fileName();
}

QString exportProblem(const tables::UnitWords& table, double stoich) {
    if (!tables::isUsableStoich(stoich)) {
        return tables::checkMessage(tables::LinearCheck::StoichNotPositive);
    }
    return tableProblem(QList<double>(table.begin(), table.end()));
}

Exported exportLookup(const tables::UnitWords& table, const ExportRequest& r) {
    if (const QString problem = exportProblem(table, r.stoich); !problem.isEmpty()) {
        return {{}, problem};
    }
    const QList<double> lambda(tables::LambdaPoints.begin(), tables::LambdaPoints.end());
    const QList<double> counts(table.begin(), table.end());
    // At a voltage the table puts out over a stretch of mixtures, beyond its ends included, the
    // ECU reads where the stretch meets the rest of the curve.
    const auto lambdaAt = [&](double count) {
        return reach(lambda, counts, count, Beyond::InnerEnd).x;
    };
    const auto afrHundredths = [&](double lambdaValue) {
        return roundHalfEven(lambdaValue * r.stoich * 100);
    };

    QString text;
    if (r.format == Format::Csv) {
        text = QStringLiteral("volts,lambda,afr") + kCrLf;
        for (int k = 0; k < kCsvRows; ++k) {
            const double l = lambdaAt(4095.0 * k / (kCsvRows - 1));
            text += unitsText(5 * k, 2) + u',' + unitsText(roundHalfEven(l * 1000), 3) + u',' +
                    unitsText(afrHundredths(l), 2) + kCrLf;
        }
        return {text.toLatin1(), {}};
    }

    const bool db = r.format == Format::Db;
    const int last = (1 << (r.adcBits == 10 ? 10 : 8)) - 1;
    text = QStringLiteral("; Orvex Configuration Utility: ECU lookup, volts to AFR x %1")
               .arg(db ? 10 : 100) +
           kCrLf + QStringLiteral("; pin: ") + r.pin + kCrLf + QStringLiteral("; data source: ") +
           r.source + kCrLf + QStringLiteral("; stoichiometric AFR: ") + shortestText(r.stoich) +
           kCrLf + QStringLiteral("; date: ") + r.date.toString(Qt::ISODate) + kCrLf +
           QStringLiteral("; %1 entries, one per count of the %2-bit ADC: volts = count x 5 / %3")
               .arg(last + 1)
               .arg(last == 255 ? 8 : 10)
               .arg(last) +
           kCrLf;
    for (int k = 0; k <= last; ++k) {
        const qint64 value =
            std::min<qint64>(afrHundredths(lambdaAt(4095.0 * k / last)), kMarkerHundredths);
        // A leading tab: in column 1 an assembler takes DB for a label.
        text += (db ? QStringLiteral("\tDB ") + unitsText(value, 1) + u'T'
                    : QStringLiteral("\tDW ") + QString::number(value)) +
                QStringLiteral(" ; %1 - ").arg(k) + unitsText(roundHalfEven(5000.0 * k / last), 3) +
                kCrLf;
    }
    return {text.toUtf8(), {}};
}

}  // namespace ecu
