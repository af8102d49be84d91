#include "app/qt_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStringList>

Dialogs::Button QtDialogs::okCancel(const QString& title, const QString& text, Icon icon) {
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::Warning, title,
                    text, QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    return box.exec() == QMessageBox::Cancel ? Button::Cancel : Button::Ok;
}

Dialogs::Button QtDialogs::yesNo(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                    m_parent);
    box.setObjectName(QStringLiteral("msgBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? Button::Yes : Button::No;
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
    return fileDialog(presetName, filter, false, false);
}

QString QtDialogs::saveFile(const QString& presetName, const QString& filter, Existing existing) {
    return fileDialog(presetName, filter, true, existing == Existing::AppendTo);
}

QString QtDialogs::saveFileOfType(const QString& presetName, const QString& filter, int* type) {
    return fileDialog(presetName, filter, true, false, type);
}

QString QtDialogs::fileDialog(const QString& presetName, const QString& filter, bool save,
                              bool append, int* type) {
    QFileDialog dialog(m_parent);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, append);
    dialog.setObjectName(QStringLiteral("cdlgAFRfile"));
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    const QStringList types = toQtFilter(filter).split(QStringLiteral(";;"));
    dialog.setNameFilters(types);
    if (type) {
        dialog.selectNameFilter(types.value(*type));
    }
    if (save) {
        // A name typed without an extension takes the chosen filter's: the kind of a log (raw or
        // CSV), or of an ECU lookup, follows from it.
        const auto suffixOf = [](const QString& nameFilter) {
            static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
            return pattern.match(nameFilter).captured(1).toLower();
        };
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(
            &dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, suffixOf](const QString& f) { dialog.setDefaultSuffix(suffixOf(f)); });
    }
    const QFileInfo preset(presetName);
    if (!presetName.isEmpty() && preset.dir().exists()) {
        dialog.setDirectory(preset.dir());
        dialog.selectFile(preset.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    if (type) {
        *type = static_cast<int>(types.indexOf(dialog.selectedNameFilter()));
    }
    return dialog.selectedFiles().constFirst();
}
