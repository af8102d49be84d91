#include "app/help_windows.h"

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

#include "link/settings_store.h"
#include "sim/simulated_unit.h"
#include "tables/table_file.h"

namespace help {

namespace {

// One window of each kind: the one there is, else a new one, `made` says which.
QDialog* window(QWidget* parent, const QString& name, const QString& title, bool* made) {
    auto* dialog = parent->findChild<QDialog*>(name, Qt::FindDirectChildrenOnly);
    *made = dialog == nullptr;
    if (*made) {
        dialog = new QDialog(parent);
        dialog->setObjectName(name);
        dialog->setWindowTitle(title);
    }
    return dialog;
}

QWidget* present(QDialog* dialog) {
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

// Markdown headings get the names that the guide's links ("#connecting-a-unit") point to.
void nameHeadings(QTextDocument* document) {
    static const QRegularExpression kNotInName(QStringLiteral("[^a-z0-9 _-]"));
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() == 0) {
            continue;
        }
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorNames({block.text().toLower().remove(kNotInName).replace(u' ', u'-')});
        cursor.mergeCharFormat(anchor);
    }
}

}  // namespace

QWidget* showUserGuide(QWidget* parent, const UrlOpener& open) {
    bool made = false;
    QDialog* dialog = window(parent, QStringLiteral("frmUserGuide"),
                             QStringLiteral("Orvex Configuration Utility: user guide"), &made);
    if (!made) {
        return present(dialog);
    }
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName(QStringLiteral("txtGuide"));
    // Links within the guide scroll to their heading; web addresses go to the browser.
    browser->setOpenLinks(false);
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser,
                     [browser, open](const QUrl& url) {
                         if (url.scheme().startsWith(QLatin1String("http"))) {
                             open(url);
                         } else if (url.hasFragment()) {
                             browser->scrollToAnchor(url.fragment());
                         }
                     });
    browser->setSource(QUrl(QStringLiteral("qrc:/guide/user-guide.md")),
                       QTextDocument::MarkdownResource);
    nameHeadings(browser->document());
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(800, 700);
    return present(dialog);
}

QWidget* showAbout(QWidget* parent, const UrlOpener& open, const QString& logFile) {
    bool made = false;
    QDialog* dialog =
        window(parent, QStringLiteral("frmAbout"), QStringLiteral("About orvex-config"), &made);
    if (!made) {
        return present(dialog);
    }
    dialog->setAttribute(Qt::WA_DeleteOnClose);  // made anew each time: the log may have moved
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    struct Place {
        QString what;
        QString path;
        QString folder;
        const char* button;
    };
    const QString settings = SettingsStore::fileName();
    const QString simulated = SimulatedUnit::defaultStatePath();
    const Place places[] = {
        {QStringLiteral("Settings"), settings, QFileInfo(settings).path(), "btnOpenSettings"},
        {QStringLiteral("Backups"), tables::defaultBackupFolder(), tables::defaultBackupFolder(),
         "btnOpenBackups"},
        {QStringLiteral("Flash history"), data + QStringLiteral("/Orvex/history.tsv"),
         data + QStringLiteral("/Orvex"), "btnOpenHistory"},
        {QStringLiteral("Simulated unit"), simulated, QFileInfo(simulated).path(),
         "btnOpenSimulated"},
        logFile.isEmpty()
            ? Place{QStringLiteral("Logs"),
                    QStringLiteral("where you save them (\"Log to file ...\" on the Comms page)"),
                    {},
                    nullptr}
            : Place{QStringLiteral("Log"), logFile, QFileInfo(logFile).path(), "btnOpenLogs"},
    };
    auto* grid = new QGridLayout(dialog);
    auto* heading = new QLabel(
        QStringLiteral("<b>Orvex Configuration Utility</b><br>Version %1, released %2<br>"
                       "Qt %3 (built with Qt %4)")
            .arg(QStringLiteral(ORVEX_VERSION), QStringLiteral(ORVEX_RELEASE_DATE),
                 QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR)),
        dialog);
    heading->setObjectName(QStringLiteral("lAboutVersion"));
    grid->addWidget(heading, 0, 0, 1, 3);
    int row = 1;
    for (const Place& p : places) {
        grid->addWidget(new QLabel(p.what, dialog), row, 0);
        auto* path = new QLabel(p.path, dialog);
        path->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(path, row, 1);
        if (p.button) {
            auto* button = new QPushButton(QStringLiteral("Open folder"), dialog);
            button->setObjectName(QLatin1String(p.button));
            QObject::connect(button, &QPushButton::clicked, dialog, [folder = p.folder, open] {
                QDir().mkpath(folder);  // nothing kept there yet
                open(QUrl::fromLocalFile(folder));
            });
            grid->addWidget(button, row, 2);
        }
        ++row;
    }
    return present(dialog);
}

QWidget* showText(QWidget* parent, const QString& name, const QString& title, const QString& text) {
    bool made = false;
    QDialog* dialog = window(parent, name, title, &made);
    if (made) {
        auto* view = new QPlainTextEdit(dialog);
        view->setObjectName(QStringLiteral("txtText"));
        view->setReadOnly(true);
        view->setLineWrapMode(QPlainTextEdit::NoWrap);
        (new QVBoxLayout(dialog))->addWidget(view);
        dialog->resize(760, 420);
    }
    dialog->findChild<QPlainTextEdit*>(QStringLiteral("txtText"))->setPlainText(text);
    return present(dialog);
}

}  // namespace help
