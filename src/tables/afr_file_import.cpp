#include "tables/afr_file_import.h"

#include <QClipboard>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "common/data_view.h"
#include "link/hex_text.h"
#include "tables/afr_file_parser.h"
#include "tables/table_file.h"

AfrFileImport::AfrFileImport(const PageContext& context, const TablesControls& controls,
                             QObject* parent)
    : QObject(parent), m_context(context), m_c(controls) {
    connect(m_c.cmdAFRfilename, &QPushButton::clicked, this, &AfrFileImport::cmdAFRfilename_Click);
    connect(m_c.cmdGOfile, &QPushButton::clicked, this, &AfrFileImport::cmdGOfile_Click);
    connect(m_c.cmdCopyallFile, &QPushButton::clicked, this, &AfrFileImport::cmdCopyallFile_Click);
    connect(m_c.cmdPasteFile, &QPushButton::clicked, this, &AfrFileImport::cmdPasteFile_Click);
    connect(m_c.cmdClearFile, &QPushButton::clicked, this, &AfrFileImport::cmdClearFile_Click);

    m_c.txtAFRfilename->setAcceptDrops(true);
    m_c.txtAFRfilename->installEventFilter(this);
}

std::optional<tables::AfrFileContent> AfrFileImport::readAFRFile() {
    StatusLine& status = m_context.status;
    const QString name = m_c.txtAFRfilename->text();
    const tables::FileBytes file = tables::readTableFile(name);
    if (!file.bytes) {
        status.msgError(file.error);
        return std::nullopt;
    }
    status.msg(QStringLiteral("Reading AFR table file ..."));
    const tables::AfrFileContent content = tables::parseAfrFile(*file.bytes);
    m_c.txtAFRfileData->setText(content.echo);
    report(content, QStringLiteral("Read file ") + name);
    return content;
}

tables::AfrFileContent AfrFileImport::readText() {
    const tables::AfrFileContent content =
        tables::parseAfrFile(m_c.txtAFRfileData->text().toUtf8());
    report(content, QStringLiteral("Read text"));
    return content;
}

void AfrFileImport::report(const tables::AfrFileContent& content, const QString& read) {
    StatusLine& status = m_context.status;
    const tables::ImportedTable table = tables::importTable(content);
    // Each extra entry is reported as it is met; the outcome below then takes the line.
    for (qint64 count = tables::kEntries + 1; count <= table.count; ++count) {
        status.msgError(QStringLiteral("Extra entries (to ") + withSignPosition(count) +
                        QStringLiteral(")  - expecting 65"));
    }
    const tables::ImportOutcome outcome = tables::importOutcome(table, read);
    outcome.error ? status.msgError(outcome.text) : status.msg(outcome.text);
}

void AfrFileImport::cmdAFRfilename_Click() {
    // A cancelled dialog keeps the preset name, so the same file is read again.
    const QString preset = m_c.txtAFRfilename->text();
    QString chosen = m_context.dialogs.openFile(preset, m_filter);
    if (chosen.isEmpty()) {
        chosen = preset;
    }
    if (!chosen.isEmpty()) {
        m_c.txtAFRfilename->setText(chosen);
        Q_EMIT readRequested();
    }
}

void AfrFileImport::cmdCopyallFile_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_c.txtAFRfileData->text());
}

void AfrFileImport::cmdPasteFile_Click() {
    m_c.txtAFRfileData->setText(QGuiApplication::clipboard()->text());
}

void AfrFileImport::cmdClearFile_Click() {
    m_c.txtAFRfileData->setText(QString());
}

bool AfrFileImport::txtAFRfilename_OLEDragOver(const QMimeData* data) {
    return data && data->hasUrls();
}

void AfrFileImport::txtAFRfilename_OLEDragDrop(const QMimeData* data) {
    if (!txtAFRfilename_OLEDragOver(data)) {
        return;
    }
    int files = 0;
    for (const QUrl& url : data->urls()) {
        m_c.txtAFRfilename->setText(url.isLocalFile() ? url.toLocalFile() : url.toString());
        ++files;
    }
    if (files == 1) {
        Q_EMIT readRequested();
    } else {
        m_c.txtAFRfilename->clear();
    }
}

bool AfrFileImport::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_c.txtAFRfilename) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (txtAFRfilename_OLEDragOver(drag->mimeData())) {
                drag->setDropAction(Qt::CopyAction);
                drag->accept();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            txtAFRfilename_OLEDragDrop(drop->mimeData());
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}
