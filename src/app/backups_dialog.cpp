#include "app/backups_dialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/widgets.h"
#include "common/dialogs.h"
#include "common/status_line.h"
#include "eeprom/eeprom_controller.h"
#include "tables/table_file.h"
#include "tables/tables_page.h"
#include "unitdata/flash_history.h"
#include "unitdata/output_test.h"

namespace {

enum Column { kWhen, kPin, kSource, kSame };

// A path in the user's home from "~", as people write it.
QString shownPath(const QString& path) {
    const QString home = QDir::homePath() + u'/';
    return path.startsWith(home) ? QStringLiteral("~/") + path.mid(home.size()) : path;
}

}  // namespace

BackupsDialog::BackupsDialog(const Parts& parts, QWidget* parent)
    : QDialog(parent), m_parts(parts) {
    setObjectName(QStringLiteral("frmBackups"));
    setWindowTitle(QStringLiteral("Backups"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lstBackups"));
    m_list->setHeaderLabels({QStringLiteral("Date and time"), QStringLiteral("Pin"),
                             QStringLiteral("From"), QStringLiteral("Same as the page")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_info = new QPlainTextEdit(this);
    m_info->setObjectName(QStringLiteral("txtBackupInfo"));
    m_info->setReadOnly(true);
    m_info->setMaximumHeight(fontMetrics().lineSpacing() * 7);
    m_compare = dialogButton("btnBackupCompare", QStringLiteral("Compare with Unit"), this);
    m_restore = dialogButton("btnBackupRestore", QStringLiteral("Restore"), this);
    m_folder = dialogButton("btnBackupFolder", QStringLiteral("Show Folder"), this);
    QPushButton* close = dialogButton("btnBackupClose", QStringLiteral("Close"), this);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_compare);
    buttons->addWidget(m_restore);
    buttons->addWidget(m_folder);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_info);
    layout->addLayout(buttons);
    resize(640, 380);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &BackupsDialog::lstBackups_Click);
    connect(m_compare, &QPushButton::clicked, this, &BackupsDialog::btnBackupCompare_Click);
    connect(m_restore, &QPushButton::clicked, this, &BackupsDialog::btnBackupRestore_Click);
    connect(m_folder, &QPushButton::clicked, this, &BackupsDialog::btnBackupFolder_Click);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    connect(&m_parts.tables.model(), &TableModel::tableStored, this,
            &BackupsDialog::showSameAsPage);
    connect(&m_parts.eeprom, &EepromController::busyChanged, this, [this](bool busy) {
        m_busy = busy;
        enableButtons();
    });
}

void BackupsDialog::refresh() {
    m_backups = unitdata::listBackups(m_parts.folder);
    m_list->clear();
    for (const unitdata::Backup& b : m_backups) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(kWhen, unitdata::shownTime(b.when));
        item->setText(kPin, b.pin == 0 ? QString() : tables::pinShortName(b.pin));
        item->setText(kSource, b.source);
        item->setToolTip(kWhen, shownPath(b.path));
        if (!b.restorable()) {
            item->setText(kSame, QStringLiteral("cannot be restored: ") + b.problem);
            item->setForeground(kSame, QColor(255, 0, 0));
        }
    }
    m_info->setPlainText(m_backups.isEmpty()
                             ? QStringLiteral("No backups in ") + shownPath(m_parts.folder)
                             : QString());
    showSameAsPage();
    enableButtons();
}

const unitdata::Backup* BackupsDialog::selected() const {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    return m_list->currentItem() && m_list->currentItem()->isSelected() && row >= 0 &&
                   row < m_backups.size()
               ? &m_backups[row]
               : nullptr;
}

void BackupsDialog::showSameAsPage() {
    const TableModel& model = m_parts.tables.model();
    const tables::UnitWords shown = tables::unitWords(model.snapshot().toBytes());
    for (int row = 0; row < m_list->topLevelItemCount() && row < m_backups.size(); ++row) {
        const unitdata::Backup& b = m_backups[row];
        if (b.restorable()) {
            const bool same = model.iOutputPin() != 0 && model.bTableStored() && *b.values == shown;
            m_list->topLevelItem(row)->setText(kSame, same ? QStringLiteral("yes") : QString());
        }
    }
}

void BackupsDialog::enableButtons() {
    const unitdata::Backup* b = selected();
    const bool usable = b && b->restorable() && !m_busy;
    m_compare->setEnabled(usable);
    m_restore->setEnabled(usable);
}

void BackupsDialog::showCurve(const unitdata::Backup* backup) {
    TableGraph& graph = m_parts.tables.graph();
    if (backup && backup->values) {
        tables::TableValues drawn{};
        std::transform(backup->values->begin(), backup->values->end(), drawn.begin(), [](int v) {
            return static_cast<qint16>(std::min(v, tables::kMaxStoredValue));
        });
        graph.setUnitValues(drawn, QStringLiteral("Backup"));
        m_parts.chkGraph->setChecked(true);
        m_curveShown = true;
    } else if (m_curveShown) {
        graph.setUnitValues(std::nullopt);
        m_curveShown = false;
    }
    m_parts.tables.p1_Paint();
}

void BackupsDialog::lstBackups_Click() {
    const unitdata::Backup* b = selected();
    enableButtons();
    showCurve(b);
    if (b) {
        m_info->setPlainText(
            shownPath(b->path) +
            (b->restorable() ? QString() : QStringLiteral("\ncannot be restored: ") + b->problem));
    }
}

void BackupsDialog::btnBackupCompare_Click() {
    const unitdata::Backup* b = selected();
    if (!b || !b->values) {
        return;
    }
    const unitdata::Backup backup = *b;  // the list may be read again while the unit is read
    const auto unit = m_parts.eeprom.readPin(backup.pin);
    if (!unit) {
        return;
    }
    const QList<tables::Difference> differ = tables::differences(*unit, *backup.values);
    m_info->setPlainText(shownPath(backup.path) + u'\n' +
                         tables::differenceLines(differ).remove(u'\r'));
    if (differ.isEmpty()) {
        m_parts.status.msgStatus(QStringLiteral("Unit matches the backup"));
    } else {
        m_parts.status.msgError(QString::number(differ.size()) +
                                QStringLiteral(" entries differ from the unit"));
    }
}

void BackupsDialog::btnBackupRestore_Click() {
    const unitdata::Backup* b = selected();
    if (!b || !b->values) {
        return;
    }
    const unitdata::Backup backup = *b;
    // Simulated is never real: what a simulated unit held does not go into a real one.
    if (backup.simulated && !m_parts.eeprom.usesSimulatedUnit()) {
        m_parts.status.msgError(
            QStringLiteral("A backup of the simulated unit is never restored into a real unit"));
        return;
    }
    const QString question =
        QStringLiteral(
            "Write the %1 table saved at %2 back into the unit? What the unit holds "
            "now is backed up first.")
            .arg(tables::pinShortName(backup.pin), unitdata::shownTime(backup.when));
    if (m_parts.dialogs.yesNo(QStringLiteral("Restore"), question) != Dialogs::Button::Yes) {
        return;
    }
    close();  // the run is watched, and stopped, on the page
    // The pin's own table back ends an output test that was waiting for it.
    if (m_parts.eeprom.program(backup.pin, *backup.values, backup.path, unitdata::kRestore)
            .verified) {
        unitdata::endOutputTest(unitdata::outputTestPath(), backup.pin,
                                m_parts.eeprom.usesSimulatedUnit(), backup.path);
    }
}

void BackupsDialog::btnBackupFolder_Click() {
    const unitdata::Backup* b = selected();
    const QString folder = b ? QFileInfo(b->path).path() : m_parts.folder;
    QDir().mkpath(folder);
    if (!m_parts.openUrl(QUrl::fromLocalFile(folder))) {
        m_parts.status.msgError(QStringLiteral("Cannot open ") + folder);
    }
}

void BackupsDialog::hideEvent(QHideEvent* event) {
    showCurve(nullptr);
    QDialog::hideEvent(event);
}
