#pragma once

#include <QObject>

#include <array>

#include "common/page_context.h"
#include "tables/linear_table.h"
#include "tables/tables_controls.h"

class QLineEdit;

// The "Linear Parameters" frame: the mixtures in AFR or lambda (the boxes converted when the unit
// changes), how many mid points, the over/under volts, and what a generation reads from it.
class LinearFrame : public QObject {
    Q_OBJECT
  public:
    LinearFrame(const PageContext& context, const TablesControls& controls,
                QObject* parent = nullptr);

    // The frame's part of the page's start-up: AFR, the start values, no mid point, no
    // over/under volts.
    void startUp();

    void oAorL_Click(int index);
    void oMidCount_Click(int index);
    void chkOverUnder_Click();
    void tAFRs_Change();

    // The boxes as a generation reads them.
    tables::LinearParams params() const;
    // The Stoich AFR box's number.
    double stoich() const;

  private:
    std::array<QLineEdit*, 4> mixtureBoxes() const;

    PageContext m_context;
    TablesControls m_c;
    int m_midCount = 0;
    bool m_afrMode = true;
};
