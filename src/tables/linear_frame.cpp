#include "tables/linear_frame.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "common/data_view.h"
#include "link/hex_text.h"
#include "tables/option_group.h"

using namespace tables;

LinearFrame::LinearFrame(const PageContext& context, const TablesControls& controls,
                         QObject* parent)
    : QObject(parent), m_context(context), m_c(controls) {
    connect(m_c.chkOverUnder, &QCheckBox::toggled, this, &LinearFrame::chkOverUnder_Click);
    connect(m_c.tAFRs, &QLineEdit::textChanged, this, &LinearFrame::tAFRs_Change);
    connectOptions(this, m_c.oAorL, &LinearFrame::oAorL_Click);
    connectOptions(this, m_c.oMidCount, &LinearFrame::oMidCount_Click);
}

void LinearFrame::startUp() {
    selectQuietly(m_c.oAorL[0]);
    oAorL_Click(0);

    m_c.tVrich->setText(kLinearStart.vRich);
    m_c.tVlean->setText(kLinearStart.vLean);
    m_c.tLrich->setText(kLinearStart.rich);
    m_c.tLlean->setText(kLinearStart.lean);
    {
        // Shown on the status line even when the box already holds it.
        const QSignalBlocker blockStoich(m_c.tAFRs);
        m_c.tAFRs->setText(kLinearStart.stoich);
    }
    tAFRs_Change();

    for (int i = 0; i < 2; ++i) {
        m_c.tMidLambda[i]->setText(kLinearStart.midMixture[i]);
        m_c.tMidVoltage[i]->setText(kLinearStart.midVolts[i]);
    }
    oMidCount_Click(0);
    selectQuietly(m_c.oMidCount[0]);
    m_c.tVrUnder->setText(kLinearStart.vUnder);
    m_c.tVlOver->setText(kLinearStart.vOver);
    {
        const QSignalBlocker blockOverUnder(m_c.chkOverUnder);
        m_c.chkOverUnder->setChecked(false);
    }
    chkOverUnder_Click();
}

double LinearFrame::stoich() const {
    return leadingNumber(m_c.tAFRs->text());
}

std::array<QLineEdit*, 4> LinearFrame::mixtureBoxes() const {
    return {m_c.tLrich, m_c.tMidLambda[0], m_c.tMidLambda[1], m_c.tLlean};
}

LinearParams LinearFrame::params() const {
    LinearTexts texts;
    texts.rich = m_c.tLrich->text();
    texts.vRich = m_c.tVrich->text();
    texts.lean = m_c.tLlean->text();
    texts.vLean = m_c.tVlean->text();
    for (int k = 0; k < 2; ++k) {
        texts.midMixture[k] = m_c.tMidLambda[k]->text();
        texts.midVolts[k] = m_c.tMidVoltage[k]->text();
    }
    texts.vUnder = m_c.tVrUnder->text();
    texts.vOver = m_c.tVlOver->text();
    texts.stoich = m_c.tAFRs->text();
    return readLinearParams(texts, m_midCount, m_c.chkOverUnder->isChecked(), m_afrMode);
}

void LinearFrame::oAorL_Click(int index) {
    const double s = stoich();
    if (index == 1) {
        if (!isUsableStoich(s)) {
            // Dividing by it would wipe out every mixture; stay in AFR so it can be corrected.
            selectQuietly(m_c.oAorL[0]);
            m_context.status.msgError(QStringLiteral("Stoich AFR must be greater than 0"));
            return;
        }
        m_afrMode = false;
        m_c.lAFRorLambda->setText(QStringLiteral("Lambda"));
        for (QLineEdit* box : mixtureBoxes()) {
            box->setText(mixtureToLambda(box->text(), s));
        }
    } else {
        m_afrMode = true;
        m_c.lAFRorLambda->setText(QStringLiteral("AFR"));
        // Only start-up can get here with an unusable stoich AFR (the box is disabled in
        // Lambda mode); its defaults follow at once, so leave the boxes alone then.
        if (isUsableStoich(s)) {
            for (QLineEdit* box : mixtureBoxes()) {
                box->setText(mixtureToAfr(box->text(), s));
            }
        }
    }
    m_c.tAFRs->setEnabled(m_afrMode);
    m_c.lAFRs->setEnabled(m_afrMode);
    m_c.txtData->setText(QStringLiteral("Air/Fuel ratios to be specified as ") +
                         m_c.lAFRorLambda->text());
}

void LinearFrame::oMidCount_Click(int index) {
    m_midCount = index;
    m_c.lMidPointLabel->setVisible(index == 0);
    for (int k = 0; k < 2; ++k) {
        m_c.tMidVoltage[k]->setVisible(k < index);
        m_c.tMidLambda[k]->setVisible(k < index);
    }
}

void LinearFrame::chkOverUnder_Click() {
    const bool on = m_c.chkOverUnder->isChecked();
    m_c.tVrUnder->setVisible(on);
    m_c.tVlOver->setVisible(on);
}

void LinearFrame::tAFRs_Change() {
    m_context.status.msg(m_c.tAFRs->text());
}
