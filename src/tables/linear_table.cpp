#include "tables/linear_table.h"

#include <cmath>

#include "link/hex_text.h"

namespace tables {

LinearParams readLinearParams(const LinearTexts& texts, int midCount, bool overUnder,
                              bool afrMode) {
    LinearParams p;
    p.mixture.append(leadingNumber(texts.rich));
    p.volts.append(leadingNumber(texts.vRich));
    for (int k = 0; k < midCount && k < 2; ++k) {
        p.mixture.append(leadingNumber(texts.midMixture[k]));
        p.volts.append(leadingNumber(texts.midVolts[k]));
    }
    p.mixture.append(leadingNumber(texts.lean));
    p.volts.append(leadingNumber(texts.vLean));
    p.vUnder = overUnder ? leadingNumber(texts.vUnder) : p.volts.first();
    p.vOver = overUnder ? leadingNumber(texts.vOver) : p.volts.last();
    p.afrMode = afrMode;
    p.stoich = leadingNumber(texts.stoich);
    return p;
}

bool isUsableStoich(double stoich) {
    return std::isfinite(stoich) && stoich > 0;
}

LinearTable generateLinearTable(const LinearParams& p) {
    LinearTable table;
    const QList<double>& L = p.mixture;
    const QList<double>& V = p.volts;
    const qsizetype n = L.size();
    if (n < 2 || V.size() != n) {
        table.check = LinearCheck::MixtureOrder;
        return table;
    }
    // In AFR mode every breakpoint is multiplied by it; 0 would put the whole table under
    // the rich end.
    if (p.afrMode && !isUsableStoich(p.stoich)) {
        table.check = LinearCheck::StoichNotPositive;
        return table;
    }
    for (qsizetype k = 0; k + 1 < n; ++k) {
        if (!(L[k] <= L[k + 1])) {
            table.check = LinearCheck::MixtureOrder;
            return table;
        }
    }
    const bool rising = V.first() <= V.last();
    for (qsizetype k = 0; k + 1 < n; ++k) {
        if (rising ? !(V[k] <= V[k + 1]) : !(V[k] >= V[k + 1])) {
            table.check = LinearCheck::MidpointVoltage;
            return table;
        }
    }

    // The breakpoints rise, so the segment only ever moves towards the lean end. A breakpoint
    // strictly inside (L first, L last) always finds a segment of non-zero width.
    qsizetype c = 0;
    for (int i = 0; i < kEntries; ++i) {
        const double x = p.afrMode ? LambdaPoints[i] * p.stoich : LambdaPoints[i];
        double v = 0;
        if (x <= L.first()) {
            v = p.vUnder;
        } else if (x >= L.last()) {
            v = p.vOver;
        } else {
            while (x > L[c + 1]) {
                ++c;
            }
            v = V[c] + (V[c + 1] - V[c]) * (x - L[c]) / (L[c + 1] - L[c]);
        }
        table.counts[i] = roundHalfEven(4095.0 * v / 5.0);
    }
    return table;
}

QString checkMessage(LinearCheck check) {
    switch (check) {
        case LinearCheck::Ok:
            return {};
        case LinearCheck::StoichNotPositive:
            return QStringLiteral("Stoich AFR must be greater than 0");
        case LinearCheck::MixtureOrder:
            return QStringLiteral("Lambda/AFR must increase left to right");
        case LinearCheck::MidpointVoltage:
            return QStringLiteral("Invalid midpoint Voltage");
    }
    return {};
}

namespace {

// 15 significant digits: the product as the user would see it, before the fixed decimals.
QString numberText(double v) {
    return QString::number(v, 'g', 15);
}

}  // namespace

QString mixtureToAfr(const QString& box, double stoich) {
    return Format2d(numberText(leadingNumber(box) * stoich));
}

QString mixtureToLambda(const QString& box, double stoich) {
    return Format3d(numberText(leadingNumber(box) / stoich));
}

}  // namespace tables
