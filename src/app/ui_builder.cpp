#include "app/ui_builder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include <cmath>

#include "app/widgets.h"

namespace ui {

QString pageName(int index) {
    return QStringLiteral("SSTab1Page") + QString::number(index);
}

QRect toPixels(const QRect& twips, double pxPerTwip) {
    const auto px = [pxPerTwip](int t) { return static_cast<int>(std::lround(t * pxPerTwip)); };
    return QRect(px(twips.left()), px(twips.top()), px(twips.width()), px(twips.height()));
}

namespace {

QWidget* create(const ControlSpec& spec, QWidget* parent) {
    switch (spec.kind) {
        case Kind::Page:
            return new QWidget(parent);
        case Kind::Frame:
            return new QGroupBox(spec.text, parent);
        case Kind::PlainFrame: {
            auto* f = new QFrame(parent);
            // A cover frame hides what lies beneath; a borderless grouping frame must not paint
            // the window colour over the lighter inside of the frame around it.
            f->setAutoFillBackground(spec.flags & kRaised);
            return f;
        }
        case Kind::Label: {
            auto* l = new QLabel(spec.text, parent);
            l->setWordWrap(spec.place.height() > 300);
            l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return l;
        }
        case Kind::StatusLine: {
            auto* l = new StatusText(spec.text, parent);
            l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            return l;
        }
        case Kind::Button: {
            auto* b = new QPushButton(spec.text, parent);
            b->setAutoDefault(false);
            return b;
        }
        case Kind::LineEdit:
            return new QLineEdit(spec.text, parent);
        case Kind::MultiLineEdit: {
            auto* d = new DataArea(parent);
            d->setText(spec.text);
            return d;
        }
        case Kind::CheckBox: {
            auto* c = new QCheckBox(spec.text, parent);
            c->setChecked(spec.flags & kChecked);
            return c;
        }
        case Kind::Option: {
            auto* r = new QRadioButton(spec.text, parent);
            r->setChecked(spec.flags & kChecked);
            return r;
        }
        case Kind::ComboList:
        case Kind::ComboEdit: {
            auto* c = new QComboBox(parent);
            c->setEditable(spec.kind == Kind::ComboEdit);
            c->setInsertPolicy(QComboBox::NoInsert);
            c->addItems(spec.items);
            c->setCurrentIndex(-1);
            if (c->isEditable()) {
                c->setEditText(spec.text);
            }
            return c;
        }
        case Kind::ListBox: {
            auto* l = new QListWidget(parent);
            l->addItems(spec.items);
            return l;
        }
        case Kind::HScroll:
            return new QScrollBar(Qt::Horizontal, parent);
        case Kind::VScroll:
            return new QScrollBar(Qt::Vertical, parent);
        case Kind::ShapeRect:
            return new ShapeWidget(ShapeWidget::Form::Rectangle, parent);
        case Kind::ShapeCircle:
            return new ShapeWidget(ShapeWidget::Form::Circle, parent);
        case Kind::HLine:
        case Kind::VLine: {
            auto* f = new QFrame(parent);
            f->setFrameShape(spec.kind == Kind::HLine ? QFrame::HLine : QFrame::VLine);
            f->setFrameShadow(QFrame::Sunken);
            return f;
        }
        case Kind::Picture:
            return new QWidget(parent);
    }
    return nullptr;
}

// "oAorL(1)" -> ("oAorL", 1); other names -> (name, -1).
std::pair<QString, int> splitIndex(const QString& name) {
    const qsizetype open = name.indexOf(QLatin1Char('('));
    if (open < 0 || !name.endsWith(QLatin1Char(')'))) {
        return {name, -1};
    }
    return {name.left(open), name.mid(open + 1, name.size() - open - 2).toInt()};
}

}  // namespace

void buildWindow(QWidget* form, double pxPerTwip) {
    QList<ControlSpec> all = windowControls();
    all += commsPage();
    all += freeAirPage();
    all += tablesPage();

    QHash<QString, QWidget*> byName;
    QHash<QString, QButtonGroup*> groups;
    QList<QWidget*> raised;
    auto* tabs = [&]() -> QTabWidget* {
        for (const ControlSpec& s : all) {
            if (s.name == QLatin1String("SSTab1")) {
                auto* t = new QTabWidget(form);
                t->setObjectName(s.name);
                t->setGeometry(toPixels(s.place, pxPerTwip));
                byName.insert(s.name, t);
                return t;
            }
        }
        return nullptr;
    }();

    for (const ControlSpec& spec : all) {
        if (spec.name == QLatin1String("SSTab1")) {
            continue;
        }
        QWidget* parent = spec.parent.isEmpty() ? form : byName.value(spec.parent);
        Q_ASSERT_X(parent, "buildWindow", qPrintable(spec.name));
        if (!parent) {
            continue;
        }
        QWidget* w = create(spec, spec.kind == Kind::Page ? nullptr : parent);
        w->setObjectName(spec.name);
        if (spec.kind == Kind::Page) {
            tabs->addTab(w, spec.text);
        } else {
            w->setGeometry(toPixels(spec.place, pxPerTwip));
        }
        if (!spec.toolTip.isEmpty()) {
            w->setToolTip(spec.toolTip);
        }
        if (spec.flags & kDisabled) {
            w->setEnabled(false);
        }
        if (spec.flags & kBold) {
            QFont f = w->font();
            f.setBold(true);
            w->setFont(f);
        }
        if (spec.flags & kHidden) {
            w->setVisible(false);
        }
        if (spec.flags & kRaised) {
            raised.append(w);
        }
        if (spec.kind == Kind::Option) {
            const auto [group, index] = splitIndex(spec.name);
            const QString key = spec.parent + QLatin1Char('/') + group;
            QButtonGroup*& g = groups[key];
            if (!g) {
                g = new QButtonGroup(parent);
                g->setObjectName(group);
            }
            g->addButton(static_cast<QRadioButton*>(w), index);
        }
        byName.insert(spec.name, w);
    }
    for (QWidget* w : raised) {
        w->raise();
    }
}

}  // namespace ui
