#include "app/automation_ids.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

class AutomationIds final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Polish reaches every widget once before it is first shown, dialogs created later too.
        if (event->type() == QEvent::Polish || event->type() == QEvent::Show) {
            if (auto* w = qobject_cast<QWidget*>(watched);
                w && !w->objectName().isEmpty() && w->accessibleDescription() != w->objectName()) {
                w->setAccessibleDescription(w->objectName());
            }
        }
        return false;
    }
};

}  // namespace

void installAutomationIds(QApplication& app) {
    if (qEnvironmentVariable("ORVEX_AUTOMATION_IDS") == QLatin1String("1")) {
        app.installEventFilter(new AutomationIds(&app));
    }
}
