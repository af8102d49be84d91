#pragma once

#include <functional>

class QMenuBar;
class QTabWidget;
class QWidget;

// What the menu bar's own entries do; the others click the page's buttons.
struct MenuHandlers {
    std::function<void()> quit;
    std::function<void()> doctor;
    std::function<void()> userGuide;
    std::function<void()> about;
};

// The menu bar above the pages: File, Unit and Help. An entry for a table or the unit clicks
// the button that does the work, on its page, and is offered only while that button and page
// may be used, so it does exactly what the button does and a run that locks the pages locks it
// too. Each such entry is one line of a table.
QMenuBar* buildMainMenu(QWidget* window, QTabWidget* pages, const MenuHandlers& handlers);
