#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "support/test_window.h"
#include "tables/table_defaults.h"
#include "tables/tables_controller.h"

using namespace tables;

namespace {

const QColor kWhite(255, 255, 255);
const QColor kGrid(128, 128, 128);
const QColor kFrame(127, 127, 127);
const QColor kCurve(0, 0, 255);

// Where a point of the graph's own coordinates (x -14..104, y 105 at the top .. -15) lands.
QPointF mapped(QSize size, double x, double y) {
    return {(x + 14) * size.width() / 118.0, (105 - y) * size.height() / 120.0};
}

// Whether a pixel of `colour` lies within one pixel of `at`.
bool colourNear(const QImage& image, QPointF at, const QColor& colour) {
    const QPoint c = at.toPoint();
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const QPoint p = c + QPoint(dx, dy);
            if (image.rect().contains(p) && image.pixelColor(p) == colour) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

class TestTableGraph : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init();
    void graphOnWithoutPin_drawsNothing();
    void graphOnWithPin_coversDataAreaWithFrameGridAndCurve();
    void graphOfAllZeros_liesOnBottomEdge();
    void pageSwitch_hidesAndRestoresGraph();
    void windowResize_graphFollowsDataArea();
    void generation_redrawsShownGraph();

  private:
    std::unique_ptr<TestWindow> w;
    QWidget* p1() const { return w->get<QWidget>("p1"); }
    QWidget* txtData() const { return w->get<QWidget>("txtData"); }
    QCheckBox* graph() const { return w->get<QCheckBox>("chkGraph"); }
    QImage picture() const { return p1()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QPointF entry(const QImage& image, int k, double value) const {
        return mapped(image.size(), (LambdaPoints[k] - 0.5) * 100 / 3, value / 40.96);
    }
    int countColour(const QImage& image, const QColor& colour, QPointF from, QPointF to) const {
        int n = 0;
        const int steps = 200;
        for (int i = 0; i <= steps; ++i) {
            const QPointF p = from + (to - from) * i / steps;
            n += image.pixelColor(p.toPoint()) == colour ? 1 : 0;
        }
        return n;
    }
};

void TestTableGraph::init() {
    w = std::make_unique<TestWindow>();
    w->form->show();
    QVERIFY(QTest::qWaitForWindowExposed(w->form.get()));
    w->get<QTabWidget>("SSTab1")->setCurrentIndex(2);
}

void TestTableGraph::graphOnWithoutPin_drawsNothing() {
    graph()->click();
    QVERIFY(p1()->size().isEmpty());
    graph()->click();

    // A table but no graph: still collapsed.
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    QVERIFY(p1()->size().isEmpty());
    // Shown for a pin, then the pin is taken away: the picture stays as it was.
    graph()->click();
    const QRect shown = p1()->geometry();
    QVERIFY(!shown.isEmpty());
    const QImage before = picture();
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(0);
    QCOMPARE(p1()->geometry(), shown);
    QCOMPARE(picture(), before);
    // Off and on again without a pin: collapsed, and nothing is laid out or drawn.
    graph()->click();
    graph()->click();
    QCOMPARE(p1()->geometry(), QRect(shown.topLeft(), QSize(0, 0)));
}

void TestTableGraph::graphOnWithPin_coversDataAreaWithFrameGridAndCurve() {
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(1);  // the start-up linear table
    graph()->click();
    const QRect data = txtData()->geometry();
    QVERIFY(p1()->geometry().contains(data));
    QVERIFY(p1()->geometry().height() - data.height() <= 8);
    QVERIFY(p1()->isVisible());

    const QImage image = picture();
    QCOMPARE(image.size(), p1()->size());
    // Frame: left edge half way up, top edge right of where the curve runs along it.
    QVERIFY(colourNear(image, mapped(image.size(), 0, 50), kFrame));
    QVERIFY(colourNear(image, mapped(image.size(), 95, 100), kFrame));
    // The dotted 2.0 V line: grey dots with white gaps between the frame's edges.
    const int dots =
        countColour(image, kGrid, mapped(image.size(), 1, 40), mapped(image.size(), 15, 40));
    const int gaps =
        countColour(image, kWhite, mapped(image.size(), 1, 40), mapped(image.size(), 15, 40));
    QVERIFY2(dots > 30 && gaps > 30, qPrintable(QStringLiteral("%1 %2").arg(dots).arg(gaps)));
    // The curve passes through two entries of the table.
    QVERIFY(colourNear(image, entry(image, 24, 1568), kCurve));
    QVERIFY(colourNear(image, entry(image, 36, 3339), kCurve));
    // Nothing blue where the table does not go: right of entry 24 at the bottom.
    QVERIFY(!colourNear(image, mapped(image.size(), 50, 10), kCurve));
    QVERIFY(image.pixelColor(mapped(image.size(), 90, 50).toPoint()) == kWhite);
}

void TestTableGraph::graphOfAllZeros_liesOnBottomEdge() {
    w->get<QLineEdit>("tVlean")->setText(QStringLiteral("0.00"));
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(2);
    graph()->click();
    const QImage image = picture();
    // From lambda 0.6091 to 3.0683 along y = 0, nothing beyond.
    QVERIFY(colourNear(image, entry(image, 10, 0), kCurve));
    QVERIFY(colourNear(image, entry(image, 52, 0), kCurve));
    QVERIFY(!colourNear(image, mapped(image.size(), 95, 0), kCurve));
    QVERIFY(!colourNear(image, mapped(image.size(), 30, 50), kCurve));
}

void TestTableGraph::pageSwitch_hidesAndRestoresGraph() {
    auto* tabs = w->get<QTabWidget>("SSTab1");
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    graph()->click();
    const QRect shown = p1()->geometry();
    tabs->setCurrentIndex(0);
    QVERIFY(p1()->size().isEmpty());
    QVERIFY(graph()->isChecked());  // the switch leaves the check box alone
    tabs->setCurrentIndex(1);
    QVERIFY(p1()->size().isEmpty());
    tabs->setCurrentIndex(2);
    QCOMPARE(p1()->geometry(), shown);

    // Off when left stays off when entered again.
    graph()->click();
    tabs->setCurrentIndex(0);
    tabs->setCurrentIndex(2);
    QVERIFY(p1()->size().isEmpty());
}

void TestTableGraph::windowResize_graphFollowsDataArea() {
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    graph()->click();
    w->form->resize(w->form->width() + 120, w->form->height() + 90);
    QTRY_VERIFY(p1()->geometry().contains(txtData()->geometry()));
    QCOMPARE(picture().size(), p1()->size());
    QVERIFY(p1()->width() - txtData()->width() <= 2);
}

void TestTableGraph::generation_redrawsShownGraph() {
    w->get<QComboBox>("cboOutputPin")->setCurrentIndex(1);
    graph()->click();
    const QImage before = picture();
    QVERIFY(colourNear(before, entry(before, 36, 3339), kCurve));
    w->get<QLineEdit>("tVlean")->setText(QStringLiteral("2.50"));
    w->get<QPushButton>("btnGenTable")->click();
    const QImage after = picture();
    QVERIFY(!colourNear(after, entry(after, 36, 3339), kCurve));
    QVERIFY(colourNear(after, entry(after, 36, 1669), kCurve));  // half the volts
}

QTEST_MAIN(TestTableGraph)
#include "test_table_graph.moc"
