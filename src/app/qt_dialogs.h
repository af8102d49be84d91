#pragma once

#include "common/dialogs.h"

class QWidget;

// Dialogs shown with Qt's message boxes and file dialog.
class QtDialogs final : public Dialogs {
  public:
    explicit QtDialogs(QWidget* parent) : m_parent(parent) {}
    Button okCancel(const QString& title, const QString& text, Icon icon) override;
    Button yesNo(const QString& title, const QString& text) override;
    int choice(const QString& title, const QString& text, const QStringList& buttons) override;
    QString openFile(const QString& presetName, const QString& filter) override;
    QString saveFile(const QString& presetName, const QString& filter, Existing existing) override;
    QString saveFileOfType(const QString& presetName, const QString& filter, int* type) override;

    // "Text Files (*.TXT)|*.TXT|All files (*.*)|*.*" -> Qt's "Text Files (*.TXT *.txt);;..."
    // Patterns are matched case-insensitively by listing both cases.
    static QString toQtFilter(const QString& filter);

  private:
    QString fileDialog(const QString& presetName, const QString& filter, bool save, bool append,
                       int* type = nullptr);
    QWidget* m_parent;
};
