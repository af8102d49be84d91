#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QTabWidget;
class QWidget;

// Locks a tab control for a long run: no page switch (mouse or keyboard) and no input control
// of the current page, except those that must stay usable. Labels and frames stay as they
// are, so the run's progress remains readable.
//
// Code that enables a locked control during the run is remembered rather than obeyed: the
// control stays locked, and unlock() enables it.
class PageLock : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~PageLock() override;

    void lock(QTabWidget* tabs, const QList<const QWidget*>& keep);
    void unlock();
    bool isLocked() const { return !m_tabs.isNull(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Locked {
        QPointer<QWidget> widget;
        bool wantsEnabled = true;
    };
    void lockInputs(QWidget* container, const QList<const QWidget*>& keep);
    void setEnabledQuietly(QWidget* widget, bool enabled);

    QPointer<QTabWidget> m_tabs;
    QList<int> m_disabledTabs;
    QList<Locked> m_locked;
    bool m_tabBarWasEnabled = true;
    bool m_applying = false;
};
