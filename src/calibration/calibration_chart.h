#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

class CalibrationChartModel;
class QAbstractButton;
class QPainter;
class QWidget;

// The calibration chart on the surface picChart: while "Chart?" is ticked and the "Free Air" page
// is shown it lies over the received-data area, which goes on receiving beneath it. It draws at
// most once every kDrawIntervalMs however fast samples come, and never while hidden, so a trace
// does not wait for it.
class CalibrationChart : public QObject {
    Q_OBJECT
  public:
    static constexpr int kDrawIntervalMs = 100;

    CalibrationChart(QAbstractButton* chkChart, QWidget* picChart, QWidget* txtData,
                     CalibrationChartModel& model, QObject* parent = nullptr);
    ~CalibrationChart() override;

    void chkChart_Click();
    // The page switch: the chart shows only on its own page.
    void setPageShown(bool shown);
    bool isShown() const;
    int drawCount() const { return m_draws; }

    // The model on a surface of `size` pixels.
    static void draw(QPainter& painter, QSizeF size, const CalibrationChartModel& model);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void refresh();
    void modelChanged();
    void drawNow();

    QPointer<QAbstractButton> m_box;
    QPointer<QWidget> m_surface;
    QPointer<QWidget> m_txtData;
    CalibrationChartModel& m_model;
    QTimer m_pending;
    QElapsedTimer m_sinceDraw;
    QImage m_picture;
    bool m_pageShown = false;
    int m_draws = 0;
};
