#pragma once

#include <QList>
#include <QQueue>
#include <QString>

#include "common/dialogs.h"

// Answers the program's questions from a script and remembers what it was asked.
class ScriptedDialogs final : public Dialogs {
  public:
    struct Asked {
        QString title;
        QString text;
        Icon icon;
    };

    Button okCancel(const QString& title, const QString& text, Icon icon) override {
        asked.append({title, text, icon});
        return answers.isEmpty() ? defaultAnswer : answers.dequeue();
    }
    Button yesNo(const QString& title, const QString& text) override {
        asked.append({title, text, Icon::Exclamation});
        return yesNoAnswers.isEmpty() ? yesNoDefault : yesNoAnswers.dequeue();
    }
    int choice(const QString& title, const QString& text, const QStringList& buttons) override {
        asked.append({title, text, Icon::Exclamation});
        choices.append(buttons);
        return choiceAnswers.isEmpty() ? static_cast<int>(buttons.size() - 1)
                                       : choiceAnswers.dequeue();
    }
    QString openFile(const QString& presetName, const QString& filter) override {
        fileRequests.append({presetName, filter});
        return files.isEmpty() ? QString() : files.dequeue();
    }
    QString saveFile(const QString& presetName, const QString& filter, Existing existing) override {
        saveModes.append(existing);
        return openFile(presetName, filter);
    }
    QString saveFileOfType(const QString& presetName, const QString& filter, int* type) override {
        if (!fileTypes.isEmpty()) {
            *type = fileTypes.dequeue();
        }
        return saveFile(presetName, filter, Existing::AskToReplace);
    }

    QQueue<Button> answers;
    Button defaultAnswer = Button::Ok;
    QQueue<Button> yesNoAnswers;
    Button yesNoDefault = Button::No;
    QQueue<int> choiceAnswers;   // the button's index; none left: the last (Cancel)
    QList<QStringList> choices;  // the buttons each choice offered
    QList<Asked> asked;
    QQueue<QString> files;  // an empty text answers Cancel
    QList<std::pair<QString, QString>> fileRequests;
    QList<Existing> saveModes;
    QQueue<int> fileTypes;  // the file type chosen in a save dialog that offers several
};
