#include "calibration/page_lock.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>

namespace {

bool takesInput(const QWidget* w) {
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

// The control's own setting, whatever its parents say.
bool ownEnabled(const QWidget* w) {
    return !w->testAttribute(Qt::WA_ForceDisabled);
}

}  // namespace

PageLock::~PageLock() {
    unlock();
}

void PageLock::lock(QTabWidget* tabs, const QList<const QWidget*>& keep) {
    unlock();
    m_tabs = tabs;
    m_tabBarWasEnabled = tabs->tabBar()->isEnabled();
    tabs->tabBar()->setEnabled(false);
    // A disabled tab bar still lets Ctrl+Tab through; disabled pages do not.
    for (int i = 0; i < tabs->count(); ++i) {
        if (i != tabs->currentIndex() && tabs->isTabEnabled(i)) {
            tabs->setTabEnabled(i, false);
            m_disabledTabs.append(i);
        }
    }
    if (QWidget* page = tabs->currentWidget()) {
        lockInputs(page, keep);
    }
}

void PageLock::lockInputs(QWidget* container, const QList<const QWidget*>& keep) {
    // Walked as a tree of widgets, not looked up: whatever input the page holds is locked.
    const QObjectList children = container->children();
    for (QObject* object : children) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || keep.contains(child)) {
            continue;
        }
        if (!takesInput(child)) {
            lockInputs(child, keep);
            continue;
        }
        m_locked.append({child, ownEnabled(child)});
        setEnabledQuietly(child, false);
        child->installEventFilter(this);
    }
}

void PageLock::setEnabledQuietly(QWidget* widget, bool enabled) {
    m_applying = true;
    widget->setEnabled(enabled);
    m_applying = false;
}

bool PageLock::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !m_applying) {
        for (Locked& l : m_locked) {
            // Only a control enabled by code shows up here: disabling one that is locked
            // changes nothing Qt reports, so disable what must stay off before locking.
            if (l.widget == watched && ownEnabled(l.widget)) {
                l.wantsEnabled = true;
                setEnabledQuietly(l.widget, false);
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void PageLock::unlock() {
    for (const Locked& l : std::as_const(m_locked)) {
        if (l.widget) {
            l.widget->removeEventFilter(this);
            setEnabledQuietly(l.widget, l.wantsEnabled);
        }
    }
    m_locked.clear();
    if (m_tabs) {
        for (int i : std::as_const(m_disabledTabs)) {
            m_tabs->setTabEnabled(i, true);
        }
        m_tabs->tabBar()->setEnabled(m_tabBarWasEnabled);
    }
    m_disabledTabs.clear();
    m_tabs.clear();
}
