// How the received-data area draws: at a pace, never losing or reordering text, and its scroll
// bar only when it moves.
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextDocument>

#include "app/widgets.h"

class TestDataArea : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void drawnAtAPace_textCurrentDrawingFollowsTypingComesAfter();
    void scrollBar_drawnOnlyWhenItsHandleMovesShownAsDrawnAfresh();
};

// A flash logs every exchange into the data area and sets the Free Air box at every reply: what
// is drawn follows a few times a second, and only while shown, but never loses or reorders text.
void TestDataArea::drawnAtAPace_textCurrentDrawingFollowsTypingComesAfter() {
    QWidget top;
    auto* area = new DataArea(&top);
    auto* box = new QLineEdit(&top);
    ShownLater boxText(box);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    int drawings = 0;
    connect(area->document(), &QTextDocument::contentsChange, [&drawings] { ++drawings; });

    QString expected;
    for (int i = 0; i < 300; ++i) {  // a run's worth of exchanges, with no event in between
        const QString piece = QStringLiteral("%1=%2 ").arg(i).arg(i % 7) +
                              (i % 10 == 9 ? QStringLiteral("\r\n") : QString());
        area->appendText(piece);
        expected += piece;
    }
    QCOMPARE(area->text(), expected);
    QTRY_COMPARE(area->toPlainText(), QString(expected).remove(u'\r'));
    QVERIFY2(drawings <= DataArea::kBurst + 1, qPrintable(QString::number(drawings)));

    // Hidden, it only collects; a rewrite waiting behind appends wins whole.
    area->hide();
    area->setText(QStringLiteral("new\r"));
    area->appendText(QStringLiteral("\nline"));
    QTest::qWait(DataArea::kPaceMs + 50);
    QCOMPARE(area->toPlainText(), QString(expected).remove(u'\r'));
    area->show();
    QCOMPARE(area->toPlainText(), QStringLiteral("new\nline"));

    // What arrives just before a key press is drawn first; the typing goes after it.
    area->appendText(QStringLiteral("A"));
    area->appendText(QStringLiteral("B"));  // waits for its turn
    area->setFocus();
    area->moveCursor(QTextCursor::End);
    QTest::keyClick(area, Qt::Key_Z);
    QCOMPARE(area->text(), QStringLiteral("new\r\nlineABz"));
    QTest::qWait(DataArea::kPaceMs + 50);
    QCOMPARE(area->toPlainText(), QStringLiteral("new\nlineABz"));

    // After a pause a command's echo and its reply are drawn at once; a trace's line a tick is
    // drawn a few lines at a time.
    QTest::qWait(DataArea::kBurst * DataArea::kPaceMs);
    area->appendText(QStringLiteral("[ v ]"));
    area->appendText(QStringLiteral("\r\nv 2.01\r\n"));
    QVERIFY(area->toPlainText().endsWith(u"[ v ]\nv 2.01\n"));
    drawings = 0;
    QElapsedTimer clock;
    clock.start();
    constexpr int kLines = 20;
    for (int i = 0; i < kLines; ++i) {
        area->appendText(QStringLiteral("20C8 01C2 0320 0039\r\n"));
        QTest::qWait(100);
    }
    const qint64 most = clock.elapsed() / DataArea::kPaceMs + DataArea::kBurst;
    QVERIFY2(drawings <= most,
             qPrintable(QStringLiteral("%1 drawings of %2 lines").arg(drawings).arg(kLines)));
    QTRY_COMPARE(area->toPlainText(), QString(area->text()).remove(u'\r'));

    // The box: shown, at once; hidden, when shown again, unless someone set it meanwhile.
    boxText.setText(QStringLiteral("0123"));
    QCOMPARE(box->text(), QStringLiteral("0123"));
    box->hide();
    boxText.setText(QStringLiteral("4567"));
    QCOMPARE(box->text(), QStringLiteral("0123"));
    box->show();
    QCOMPARE(box->text(), QStringLiteral("4567"));
    box->hide();
    boxText.setText(QStringLiteral("89AB"));
    box->setText(QStringLiteral("set by the page"));
    box->show();
    QCOMPARE(box->text(), QStringLiteral("set by the page"));
}

// Counts the paint events a widget receives.
class PaintCount : public QObject {
  public:
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return QObject::eventFilter(watched, event);
    }
};

// A trace grows the range at every line while the handle moves a pixel every few lines: the bar
// is drawn when it moves, and what the screen shows is always what the bar drawn afresh shows.
void TestDataArea::scrollBar_drawnOnlyWhenItsHandleMovesShownAsDrawnAfresh() {
    QWidget top;
    top.resize(320, 240);
    auto* area = new DataArea(&top);
    area->setGeometry(top.rect());
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    QScrollBar* bar = area->verticalScrollBar();
    const auto onScreen = [&top, bar] {
        const QRect r(bar->mapTo(&top, QPoint()), bar->size());
        return top.screen()
            ->grabWindow(top.winId(), r.x(), r.y(), r.width(), r.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    const auto afresh = [bar] {
        return bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const auto handle = [bar] {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = bar->orientation();
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                            QStyle::SC_ScrollBarSlider, bar);
    };
    QTest::qWait(20);
    PaintCount count(bar);
    QSet<int> handlePlaces;
    constexpr int kLines = 400;
    for (int i = 0; i < kLines; ++i) {
        area->appendText(QStringLiteral("20C8 01C2 0320 %1\r\n").arg(i, 4, 16, QLatin1Char('0')));
        area->flushDisplay();
        QTest::qWait(2);
        const QRect h = handle();
        handlePlaces.insert(h.y() * 1000 + h.height());
        if (i % 50 == 49) {
            QTest::qWait(20);
            const int painted = count.paints;  // grab() below paints too, but not the screen
            QCOMPARE(onScreen(), afresh());
            count.paints = painted;
        }
    }
    QVERIFY2(count.paints <= handlePlaces.size() + 2 && count.paints < kLines / 2,
             qPrintable(QStringLiteral("%1 paints, %2 handle places")
                            .arg(count.paints)
                            .arg(handlePlaces.size())));

    // Drawn whole again after a resize, and still as afresh when the next line moves it.
    top.resize(320, 180);
    area->setGeometry(top.rect());
    area->appendText(QStringLiteral("after the resize\r\n"));
    area->flushDisplay();
    QTest::qWait(20);
    QCOMPARE(onScreen(), afresh());
}

QTEST_MAIN(TestDataArea)
#include "test_data_area.moc"
