#include "app/main_menu.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>

namespace {

struct ButtonEntry {
    const char* text;
    const char* button;  // its objectName
    int page;            // the page of SSTab1 it works on
};

const ButtonEntry kFileEntries[] = {
    {"Save table ...", "btnSaveTable", 2},
    {"Export for ECU ...", "btnExportEcu", 2},
};

const ButtonEntry kUnitEntries[] = {
    {"Read Unit", "btnReadUnit", 2},
    {"Compare", "btnCompare", 2},
    {"Backups ...", "btnBackups", 2},
    {"Output Test ...", "btnOutputTest", 2},
};

template <std::size_t N>
void addButtonEntries(QMenu* menu, QWidget* window, QTabWidget* pages,
                      const ButtonEntry (&entries)[N]) {
    for (const ButtonEntry& e : entries) {
        auto* button = window->findChild<QAbstractButton*>(QLatin1String(e.button));
        if (!button) {
            qFatal("the menu names a button the window lacks: %s", e.button);
        }
        QAction* action = menu->addAction(QString::fromUtf8(e.text));
        action->setObjectName(QStringLiteral("mnu") + QLatin1String(e.button + 3));
        const int page = e.page;
        const auto usable = [button, pages, page] {
            return button->isEnabled() && pages->isTabEnabled(page) && pages->tabBar()->isEnabled();
        };
        QObject::connect(menu, &QMenu::aboutToShow, action,
                         [action, usable] { action->setEnabled(usable()); });
        QObject::connect(action, &QAction::triggered, button, [button, pages, page, usable] {
            if (usable()) {
                pages->setCurrentIndex(page);
                button->click();
            }
        });
    }
}

void addEntry(QMenu* menu, QWidget* window, const char* text, const char* name,
              const QKeySequence& keys, const std::function<void()>& handler) {
    QAction* action = menu->addAction(QLatin1String(text));
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    // Also on the window itself, so the keys work while the menu is closed.
    window->addAction(action);
    QObject::connect(action, &QAction::triggered, window, handler);
}

}  // namespace

QMenuBar* buildMainMenu(QWidget* window, QTabWidget* pages, const MenuHandlers& handlers) {
    auto* bar = new QMenuBar(window);
    bar->setObjectName(QStringLiteral("mnuBar"));
    // Inside the window on every desktop: the pages below it are placed by its height.
    bar->setNativeMenuBar(false);

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addButtonEntries(file, window, pages, kFileEntries);
    file->addSeparator();
    addEntry(file, window, "Quit", "mnuQuit", QKeySequence::Quit, handlers.quit);

    QMenu* unit = bar->addMenu(QStringLiteral("&Unit"));
    unit->setObjectName(QStringLiteral("mnuUnit"));
    addButtonEntries(unit, window, pages, kUnitEntries);
    unit->addSeparator();
    addEntry(unit, window, "Connection Doctor", "mnuDoctor", {}, handlers.doctor);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    addEntry(help, window, "User Guide", "mnuUserGuide", QKeySequence::HelpContents,
             handlers.userGuide);
    addEntry(help, window, "About", "mnuAbout", {}, handlers.about);
    return bar;
}
