#pragma once

#include <QString>
#include <QStringList>

// Questions the program must put to the user. The window shows real dialogs; tests answer
// them from a script.
class Dialogs {
  public:
    enum class Icon { Critical, Exclamation };
    enum class Button { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    // A message box with OK and Cancel.
    virtual Button okCancel(const QString& title, const QString& text, Icon icon) = 0;
    // A question with Yes and No; No is the default.
    virtual Button yesNo(const QString& title, const QString& text) = 0;
    // A question answered by one of the named buttons; returns the index of the one pressed.
    // The last button is the default and what closing the box answers (Cancel).
    virtual int choice(const QString& title, const QString& text, const QStringList& buttons) = 0;

    // An open-file dialog. `filter` uses the "Description|pattern|..." form; returns the chosen
    // path, or an empty text when the user cancelled.
    virtual QString openFile(const QString& presetName, const QString& filter) = 0;
    // A save-file dialog in the same form; an empty text when the user cancelled. A file that
    // will be appended to must not be offered as "replace".
    enum class Existing { AskToReplace, AppendTo };
    virtual QString saveFile(const QString& presetName, const QString& filter,
                             Existing existing) = 0;
    // A save-file dialog whose file types say what is written: `type` is the index of the type
    // offered first and, on return, of the type chosen.
    virtual QString saveFileOfType(const QString& presetName, const QString& filter, int* type) = 0;
};
