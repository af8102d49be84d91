#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

#include "tables/table_defaults.h"

class QPainter;
class QWidget;
class TableModel;

// The graph of the current table, output volts against lambda, drawn on the surface p1 that is
// laid over the received-data area while the graph is shown and collapsed otherwise.
class TableGraph : public QObject {
    Q_OBJECT
  public:
    TableGraph(QWidget* p1, QWidget* txtData, const TableModel& model, QObject* parent = nullptr);

    // Collapses the surface when the graph is off; with a pin chosen lays it over the data area
    // and draws the table; with no pin leaves size, place and picture as they were.
    void p1_Paint();

    // Draws the axes on a surface of `size` pixels, the curve of `values` unless it is null,
    // and the unit's curve over it with a legend when there is one.
    static void draw(QPainter& painter, QSizeF size, const tables::TableValues* values,
                     const tables::TableValues* unit = nullptr,
                     const QString& legend = QStringLiteral("Unit"));

    // The table read from the unit (or a backup, named by `legend`), drawn over the current one
    // until the pin changes.
    void setUnitValues(const std::optional<tables::TableValues>& values,
                       const QString& legend = QStringLiteral("Unit")) {
        m_unit = values;
        m_legend = legend;
    }
    bool hasUnitValues() const { return m_unit.has_value(); }

    bool bGraphEnabled = false;
    bool bGraphSaved = false;  // bGraphEnabled while the "AFR Tables" page is not shown

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int twipsToPx(double twips) const;

    QPointer<QWidget> m_p1;
    QPointer<QWidget> m_txtData;
    const TableModel& m_model;
    QImage m_picture;  // what p1 shows until the next drawing
    std::optional<tables::TableValues> m_unit;
    QString m_legend;
};
