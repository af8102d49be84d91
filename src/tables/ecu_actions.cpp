#include "tables/ecu_actions.h"

#include <QDate>
#include <QLineEdit>

#include "common/data_view.h"
#include "ecu/ecu_export.h"
#include "ecu/ecu_lookup.h"
#include "tables/table_file.h"

EcuActions::EcuActions(const PageContext& context, const TablesControls& controls, Store store,
                       std::function<double()> stoich)
    : m_context(context), m_c(controls), m_store(std::move(store)), m_stoich(std::move(stoich)) {}

void EcuActions::exportTable(int pin, const tables::UnitWords& table, const QString& source) {
    StatusLine& status = m_context.status;
    if (const QString problem = ecu::exportProblem(table, m_stoich()); !problem.isEmpty()) {
        status.msgError(problem);
        return;
    }
    QStringList filter;
    for (const ecu::LookupKind& kind : ecu::kLookupKinds) {
        filter << kind.description << QStringLiteral("*.") + kind.suffix;
    }
    int chosen = m_kind;
    const QString path = m_context.dialogs.saveFileOfType(
        tables::pinShortName(pin) + QStringLiteral("-ecu.") + ecu::kLookupKinds[m_kind].suffix,
        filter.join(u'|'), &chosen);
    if (path.isEmpty()) {
        return;
    }
    m_kind = chosen >= 0 && chosen < int(ecu::kLookupKinds.size()) ? chosen : 0;
    const ecu::LookupKind& kind = ecu::kLookupKinds[m_kind];
    const QByteArray text =
        ecu::exportLookup(table, {kind.format, kind.adcBits, m_stoich(), tables::PinNames[pin],
                                  source, QDate::currentDate()})
            .text;
    if (const QString why = tables::writeWholeFile(path, text); !why.isEmpty()) {
        status.msgError(QStringLiteral("Cannot write ") + path + QStringLiteral(": ") + why);
        return;
    }
    status.msgStatus(QStringLiteral("Saved ECU lookup (%1) to %2")
                         .arg(kind.description.section(QStringLiteral(" ("), 0, 0), path));
}

void EcuActions::matchFile() {
    const QString name = m_c.txtAFRfilename->text();
    const tables::FileBytes file = tables::readTableFile(name);
    if (!file.bytes) {
        m_context.status.msgError(file.error);
        return;
    }
    m_c.txtAFRfileData->setText(QString::fromUtf8(*file.bytes));
    match(*file.bytes, name);
}

void EcuActions::matchText() {
    match(m_c.txtAFRfileData->text().toUtf8(), QStringLiteral("text"));
}

void EcuActions::match(const QByteArray& bytes, const QString& what) {
    StatusLine& status = m_context.status;
    const ecu::Lookup lookup = ecu::readLookup(bytes);
    const ecu::Match matched = ecu::matchLookup(lookup, m_stoich());
    if (!matched.error.isEmpty()) {
        status.msgError(what + QStringLiteral(": ") + matched.error);
        return;
    }
    m_store(matched.counts);
    // The count first: a long name is elided in the middle. orvexctl says the range too.
    const QString text = QStringLiteral("Matched, %1 breakpoints limited: %2")
                             .arg(QString::number(matched.limited), what);
    matched.limited > 0 ? status.msgError(text) : status.msg(text);
}
