#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

Dialogs::Button QtDialogs::okCancel(const QString& title, const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::Warning, title,
                    text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    return box.exec() == QMessageBox::Cancel ? Button::Cancel : Button::Ok;
}

QString QtDialogs::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString t = p.trimmed();
            for (const QString& variant : {t, t.toLower(), t.toUpper()}) {
                if (!patterns.contains(variant)) {
                    patterns.append(variant);
                }
            }
        }
        // The description already names its pattern; Qt reads the patterns from the brackets.
        const qsizetype bracket = description.indexOf(QLatin1Char('('));
        if (bracket >= 0) {
            description = description.left(bracket).trimmed();
        }
        out.append(description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

QString QtDialogs::openFile(const QString& presetName, const QString& filter) {
    QFileDialog dialog(m_parent);
    dialog.setObjectName(QStringLiteral("cdlgAFRfile"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(toQtFilter(filter).split(QStringLiteral(";;")));
    const QFileInfo preset(presetName);
    if (!presetName.isEmpty() && preset.dir().exists()) {
        dialog.setDirectory(preset.dir());
        dialog.selectFile(preset.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}
