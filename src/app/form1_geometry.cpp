// Form1's size and place: the saved geometry, the resize rule, and the menu bar over the pages.
#include "app/form1.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

#include "app/form_layout.h"
#include "app/widgets.h"
#include "link/hex_text.h"
#include "link/settings_store.h"

int Form1::toTwips(int px) const {
    return static_cast<int>(std::lround(px / m_pxPerTwip));
}

int Form1::toPx(int twips) const {
    return static_cast<int>(std::lround(twips * m_pxPerTwip));
}

void Form1::applySavedGeometry() {
    const auto read = [this](const char* key, int* out) {
        const QString text = m_settings->keySetting(QLatin1String(key));
        if (text.isEmpty()) {
            return false;
        }
        const double v = leadingNumber(text);
        // Absurd values (a hand-edited file) must not overflow the window system's numbers.
        *out = static_cast<int>(
            std::clamp<double>(std::isfinite(v) ? std::nearbyint(v) : 0.0, -1.0e6, 1.0e6));
        return true;
    };
    const QSize extra = frameExtra();
    int width = toTwips(this->width() + extra.width());
    int height = toTwips(this->height() + extra.height());
    const bool hasWidth = read("formwidth", &width);
    const bool hasHeight = read("formheight", &height);
    int top = 0;
    int left = 0;
    const bool hasTop = read("formtop", &top);
    const bool hasLeft = read("formleft", &left);

    if (hasWidth || hasHeight) {
        const FormLayout l = FormLayout::forOuterSize(width, height);
        QSize client(toPx(l.outerWidth) - extra.width(), toPx(l.outerHeight) - extra.height());
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect desk = screen->virtualGeometry();
            client = client.boundedTo(desk.size().expandedTo(minimumSize()));
        }
        resize(client);
        m_assumedFrame = extra;
        m_geometryPending = true;
    }
    if (hasTop || hasLeft) {
        QPoint p = pos();
        if (hasTop) {
            p.setY(toPx(top));
        }
        if (hasLeft) {
            p.setX(toPx(left));
        }
        move(p);
        keepOnScreen();
    }
}

void Form1::keepOnScreen() {
    const QRect frame(pos(), size() + frameExtra());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame)) {
            return;
        }
    }
    // Saved on a monitor that is gone: keep the size, come back where the user can see it.
    if (const QScreen* primary = QGuiApplication::primaryScreen()) {
        const QRect avail = primary->availableGeometry();
        move(avail.topLeft() + QPoint(std::max(0, (avail.width() - frame.width()) / 2),
                                      std::max(0, (avail.height() - frame.height()) / 2)));
    }
}

QSize Form1::frameExtra() const {
    // Sizes saved and laid out are the specified window's: the menu bar comes on top.
    return frameGeometry().size() - geometry().size() - QSize(0, menuHeight());
}

int Form1::menuHeight() const {
    return m_menuBar->sizeHint().height();
}

void Form1::placeMenuAndPages() {
    m_menuBar->setGeometry(0, 0, width(), menuHeight());
    m_content->setGeometry(0, menuHeight(), width(), height() - menuHeight());
}

void Form1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    adoptFrame();
    // A resize made while the window was still hidden sends no event: apply the resize rule to
    // the size it opens with, or an unchanged window would save a geometry of zeros.
    Form_Resize();
    // Some window managers tell the frame's size only a moment after the window is up.
    QTimer::singleShot(300, this, [this] {
        adoptFrame();
        m_geometryPending = false;
    });
}

void Form1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    adoptFrame();
}

void Form1::adoptFrame() {
    if (!isVisible()) {
        return;
    }
    const QSize extra = frameExtra();
    // The saved size is the outer size; if it was converted with another frame than the one
    // the window got, apply it again so the window opens exactly as large as it closed.
    if (m_geometryPending && extra != m_assumedFrame) {
        const QSize delta = extra - m_assumedFrame;
        m_assumedFrame = extra;
        resize(size() - delta);
    }
    if (extra != m_minimumFrame) {
        m_minimumFrame = extra;
        setMinimumSize(toPx(FormLayout::kMinOuterWidth) - extra.width(),
                       toPx(FormLayout::kMinOuterHeight) - extra.height());
    }
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeMenuAndPages();
    adoptFrame();
    Form_Resize();
}

void Form1::Form_Resize() {
    if (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) {
        return;
    }
    const QSize extra = frameExtra();
    const int outerWidth = toTwips(width() + extra.width());
    const int outerHeight = toTwips(height() + extra.height());
    const FormLayout l = FormLayout::forOuterSize(outerWidth, outerHeight);
    if (l.outerWidth != outerWidth || l.outerHeight != outerHeight) {
        // Below the minimum: grow, and lay out once the new size arrives.
        resize(toPx(l.outerWidth) - extra.width(), toPx(l.outerHeight) - extra.height());
        return;
    }

    const WindowControls& w = m_controls.window;
    w.labStat->setGeometry(w.labStat->x(), toPx(l.labStatTop), toPx(l.labStatWidth),
                           w.labStat->height());
    w.lBootVersion->move(toPx(l.lBootVersionLeft), toPx(l.lBootVersionTop));
    w.txtData->resize(toPx(l.txtDataWidth), toPx(l.txtDataHeight));
    w.SSTab1->resize(toPx(l.tabWidth), w.SSTab1->height());

    const QRect frame = frameGeometry();
    formWidth = toTwips(frame.width());
    formHeight = toTwips(frame.height() - menuHeight());
    formTop = toTwips(frame.top());
    formLeft = toTwips(frame.left());
}
