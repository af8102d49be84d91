#pragma once

#include <QString>
#include <QUrl>

#include <functional>

class QWidget;

// Opens a folder or a web address in the desktop's own program (QDesktopServices in the
// window; tests record what would be opened).
using UrlOpener = std::function<bool(const QUrl&)>;

namespace help {

// The user guide with its pictures, from the program's own resources: the same offline, from
// the build tree and from the package. One window, raised again when already open.
QWidget* showUserGuide(QWidget* parent, const UrlOpener& open);

// The version, its date, Qt's version, and where the program keeps things, each folder with a
// button that opens it; logs go where the user saves them, so the last one (if any) is named.
QWidget* showAbout(QWidget* parent, const UrlOpener& open, const QString& logFile);

// A window of plain text, such as the doctor's report; one of each name, its text renewed.
QWidget* showText(QWidget* parent, const QString& name, const QString& title, const QString& text);

}  // namespace help
