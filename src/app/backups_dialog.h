#pragma once

#include <QDialog>
#include <QList>
#include <QUrl>

#include <functional>

#include "unitdata/backup_list.h"

class Dialogs;
class EepromController;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class StatusLine;
class TablesPage;

// "Backups ...": the unit's tables saved before each flash, newest first, each with its pin,
// where it came from and whether it is the table the page shows; a backup that cannot be
// restored says why. The one selected is drawn over the page's table. "Compare with Unit" reads
// its pin and lists the differences as Compare does; "Restore" writes it back through the same
// run as Flash, backup first; "Show Folder" opens the folder in the file manager.
class BackupsDialog : public QDialog {
    Q_OBJECT
  public:
    using OpenUrl = std::function<bool(const QUrl&)>;
    struct Parts {
        QString folder;  // where backups are kept (its "simulated" folder too)
        TablesPage& tables;
        QCheckBox* chkGraph;  // ticked so the selected backup is seen
        EepromController& eeprom;
        Dialogs& dialogs;
        StatusLine& status;
        OpenUrl openUrl;
    };
    BackupsDialog(const Parts& parts, QWidget* parent);

    // Reads the folder again and lists what it holds.
    void refresh();

    void lstBackups_Click();
    void btnBackupCompare_Click();
    void btnBackupRestore_Click();
    void btnBackupFolder_Click();

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    const unitdata::Backup* selected() const;
    // The "same as the page" column, after the page's table changed.
    void showSameAsPage();
    void enableButtons();
    void showCurve(const unitdata::Backup* backup);

    Parts m_parts;
    QList<unitdata::Backup> m_backups;
    bool m_busy = false;
    bool m_curveShown = false;
    QTreeWidget* m_list;
    QPlainTextEdit* m_info;
    QPushButton* m_compare;
    QPushButton* m_restore;
    QPushButton* m_folder;
};
