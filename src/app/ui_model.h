#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The window's controls as data: one row per control, turned into widgets by buildControls().
// Places are in twips (1440 to the inch) relative to the parent's client area.
namespace ui {

enum class Kind {
    Page,           // a page of SSTab1; `text` is the tab caption
    Frame,          // QGroupBox with caption
    PlainFrame,     // QFrame without caption
    Label,          // QLabel
    StatusLine,     // the one-line status label
    Button,         // QPushButton
    LineEdit,       // one-line text box
    MultiLineEdit,  // multi-line text box with vertical scroll bar
    CheckBox,
    Option,     // QRadioButton; name "group(index)", one QButtonGroup per group and parent
    ComboList,  // drop-down list, not editable
    ComboEdit,  // editable combo box
    ListBox,    // list with tab-separated columns
    HScroll,
    VScroll,
    ShapeRect,    // filled rectangle
    ShapeCircle,  // filled circle
    HLine,
    VLine,
    Picture,      // drawing surface
    ProgressBar,  // progress of a long run
};

enum Flag : unsigned {
    kNone = 0,
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kChecked = 1u << 2,
    kBold = 1u << 3,
    kRaised = 1u << 4,  // lies above its siblings (a cover frame, a button over another)
};

struct ControlSpec {
    QString name = {};
    Kind kind = Kind::Label;
    QString parent = {};  // objectName of the container ("SSTab1Page0" .. "SSTab1Page2", a frame)
    QRect place = {};     // twips
    QString text = {};    // caption, initial text, or tab caption
    QString toolTip = {};
    unsigned flags = kNone;
    QStringList items = {};  // list entries
};

// Every page's rows, in creation order (later rows lie above earlier ones).
QList<ControlSpec> commsPage();
QList<ControlSpec> freeAirPage();
QList<ControlSpec> tablesPage();

}  // namespace ui
