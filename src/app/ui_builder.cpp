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
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>

#include <array>
#include <cmath>
#include <type_traits>

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
        case Kind::ProgressBar:
            return new QProgressBar(parent);
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

// The built controls by name; the one place a control is looked up by it.
class Built {
  public:
    explicit Built(const QHash<QString, QWidget*>& byName) : m_byName(byName) {}

    template <class T>
    T* get(const QString& name) const {
        T* control = dynamic_cast<T*>(m_byName.value(name));
        if (!control) {
            qFatal("The window has no control %s of the kind its page needs", qPrintable(name));
        }
        return control;
    }
    template <class T, size_t N>
    std::array<T*, N> array(const QString& name) const {
        std::array<T*, N> controls{};
        for (size_t i = 0; i < N; ++i) {
            controls[i] = get<T>(name + QLatin1Char('(') + QString::number(i) + QLatin1Char(')'));
        }
        return controls;
    }

  private:
    const QHash<QString, QWidget*>& m_byName;
};

#define ORVEX_TAKE(group, name) \
    group.name = built.get<std::remove_pointer_t<decltype(group.name)>>(QStringLiteral(#name))

Controls typed(const Built& built) {
    Controls c;
    WindowControls& w = c.window;
    ORVEX_TAKE(w, SSTab1);
    ORVEX_TAKE(w, txtData);
    ORVEX_TAKE(w, labStat);
    ORVEX_TAKE(w, lBootVersion);
    ORVEX_TAKE(w, lTimer);
    ORVEX_TAKE(w, cboPort);
    ORVEX_TAKE(w, shpPort);

    CommsControls& k = c.comms;
    k.txtData = w.txtData;
    ORVEX_TAKE(k, txtCommand);
    ORVEX_TAKE(k, chkHistory);
    ORVEX_TAKE(k, chkKeepText);
    ORVEX_TAKE(k, chkAutoCLS);
    ORVEX_TAKE(k, btnCls);
    ORVEX_TAKE(k, lHistoryCount);
    ORVEX_TAKE(k, cboTraceCommand);
    ORVEX_TAKE(k, cboLogCommand);
    ORVEX_TAKE(k, txtCmdParameter);
    ORVEX_TAKE(k, btnReDoCommand);
    ORVEX_TAKE(k, btnStartTrace);
    ORVEX_TAKE(k, btnStopTrace);
    ORVEX_TAKE(k, btnClearTrace);
    ORVEX_TAKE(k, btnCopyTrace);
    ORVEX_TAKE(k, chkLogFile);
    ORVEX_TAKE(k, lLogSize);
    ORVEX_TAKE(k, btnMark);

    FreeAirControls& f = c.freeAir;
    f.SSTab1 = w.SSTab1;
    f.txtData = w.txtData;
    f.txtDataWidget = w.txtData;
    ORVEX_TAKE(f, chkChart);
    ORVEX_TAKE(f, picChart);
    ORVEX_TAKE(f, sbCalLarge);
    ORVEX_TAKE(f, sbCalSmall);
    ORVEX_TAKE(f, tFACalV);
    ORVEX_TAKE(f, labCalV);
    ORVEX_TAKE(f, btnL1H1);
    ORVEX_TAKE(f, btn7057);
    ORVEX_TAKE(f, btn6066);
    ORVEX_TAKE(f, btnLast);
    ORVEX_TAKE(f, btnUpdate);
    ORVEX_TAKE(f, cmdManualFA);
    ORVEX_TAKE(f, frmManualFA);
    ORVEX_TAKE(f, btnTrace);
    ORVEX_TAKE(f, btnTraceStop);
    ORVEX_TAKE(f, shpCalUp);
    ORVEX_TAKE(f, shpCalDown);
    ORVEX_TAKE(f, shpCalLeft);
    ORVEX_TAKE(f, shpCalRight);
    ORVEX_TAKE(f, LabIpx);
    ORVEX_TAKE(f, LabAve);
    ORVEX_TAKE(f, TxtData0);
    ORVEX_TAKE(f, txtData1);
    ORVEX_TAKE(f, txtData2);
    ORVEX_TAKE(f, txtData3);
    ORVEX_TAKE(f, Text0);
    ORVEX_TAKE(f, tLogMode);
    ORVEX_TAKE(f, btnAutoCal);
    ORVEX_TAKE(f, btnCalAbort);
    ORVEX_TAKE(f, lAutoCount);
    ORVEX_TAKE(f, lautoInProgress);
    ORVEX_TAKE(f, lUpdateMsg);

    TablesControls& t = c.tables;
    t.txtData = w.txtData;
    t.txtDataWidget = w.txtData;
    ORVEX_TAKE(t, p1);
    ORVEX_TAKE(t, cboOutputPin);
    ORVEX_TAKE(t, cboEEdata);
    ORVEX_TAKE(t, frmLinearParams);
    t.oAorL = built.array<QRadioButton, 2>(QStringLiteral("oAorL"));
    ORVEX_TAKE(t, lAFRs);
    ORVEX_TAKE(t, tAFRs);
    t.oMidCount = built.array<QRadioButton, 3>(QStringLiteral("oMidCount"));
    ORVEX_TAKE(t, lAFRorLambda);
    ORVEX_TAKE(t, lMidPointLabel);
    ORVEX_TAKE(t, tLrich);
    ORVEX_TAKE(t, tVrich);
    ORVEX_TAKE(t, tLlean);
    ORVEX_TAKE(t, tVlean);
    t.tMidLambda = built.array<QLineEdit, 2>(QStringLiteral("tMidLambda"));
    t.tMidVoltage = built.array<QLineEdit, 2>(QStringLiteral("tMidVoltage"));
    ORVEX_TAKE(t, chkOverUnder);
    ORVEX_TAKE(t, tVrUnder);
    ORVEX_TAKE(t, tVlOver);
    ORVEX_TAKE(t, btnGenTable);
    ORVEX_TAKE(t, frmAFRfile);
    ORVEX_TAKE(t, txtAFRfilename);
    ORVEX_TAKE(t, txtAFRfileData);
    ORVEX_TAKE(t, cmdAFRfilename);
    ORVEX_TAKE(t, cmdPasteFile);
    ORVEX_TAKE(t, cmdCopyallFile);
    ORVEX_TAKE(t, cmdClearFile);
    ORVEX_TAKE(t, cmdGOfile);
    ORVEX_TAKE(t, cmdUseText);
    t.oIorA = built.array<QRadioButton, 2>(QStringLiteral("oIorA"));
    ORVEX_TAKE(t, lstEETable);
    ORVEX_TAKE(t, btnExportAFR);
    ORVEX_TAKE(t, btnSaveTable);
    ORVEX_TAKE(t, btnExportEcu);
    t.oDorH = built.array<QRadioButton, 3>(QStringLiteral("oDorH"));
    t.oSensor = built.array<QRadioButton, 2>(QStringLiteral("oSensor"));
    ORVEX_TAKE(t, chkGraph);

    FlashControls& e = c.flash;
    e.txtData = w.txtData;
    e.chkGraph = t.chkGraph;
    e.lBootVersion = w.lBootVersion;
    ORVEX_TAKE(e, btnFlashTable);
    ORVEX_TAKE(e, btnAbortFlash);
    ORVEX_TAKE(e, btnReadUnit);
    ORVEX_TAKE(e, btnCompare);
    ORVEX_TAKE(e, btnBackups);
    ORVEX_TAKE(e, Label1);
    ORVEX_TAKE(e, prgFlash);
    return c;
}

#undef ORVEX_TAKE

}  // namespace

Controls buildWindow(QWidget* form, double pxPerTwip) {
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
    return typed(Built(byName));
}

}  // namespace ui
