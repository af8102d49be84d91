#pragma once

class QApplication;

// With ORVEX_AUTOMATION_IDS=1 every named widget, dialogs included, carries its objectName as
// its accessible description, so tools driving the window through the accessibility interface
// can find each control. Otherwise nothing changes.
void installAutomationIds(QApplication& app);
