#include "tables/afr_file_import.h"
#include "common/find_control.h"

#include <QClipboard>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "common/data_view.h"
#include "link/hex_text.h"
#include "tables/afr_file_parser.h"
#include "tables/tables_controller.h"

AfrFileImport::AfrFileImport(const PageContext& context, TablesController& tables, QObject* parent)
    : QObject(parent ? parent : context.form),
      m_context(context),
      m_tables(tables),
      m_txtAFRfilename(findControl<QLineEdit>(context.form, "txtAFRfilename")),
      m_txtAFRfileData(findDataView(context.form, "txtAFRfileData")) {
    setObjectName(QStringLiteral("afrFileImport"));
    m_tables.setFileImport([this] { readAFRFile(); });

    QWidget* form = context.form;
    connect(findControl<QPushButton>(form, "cmdAFRfilename"), &QPushButton::clicked, this,
            &AfrFileImport::cmdAFRfilename_Click);
    connect(findControl<QPushButton>(form, "cmdGOfile"), &QPushButton::clicked, this,
            &AfrFileImport::cmdGOfile_Click);
    connect(findControl<QPushButton>(form, "cmdCopyallFile"), &QPushButton::clicked, this,
            &AfrFileImport::cmdCopyallFile_Click);
    connect(findControl<QPushButton>(form, "cmdPasteFile"), &QPushButton::clicked, this,
            &AfrFileImport::cmdPasteFile_Click);
    connect(findControl<QPushButton>(form, "cmdClearFile"), &QPushButton::clicked, this,
            &AfrFileImport::cmdClearFile_Click);

    m_txtAFRfilename->setAcceptDrops(true);
    m_txtAFRfilename->installEventFilter(this);
}

void AfrFileImport::readAFRFile() {
    StatusLine& status = m_context.status;
    const QString name = m_txtAFRfilename->text();
    const QFileInfo info(name);
    if (name.isEmpty() || !info.exists()) {
        status.msgError(QStringLiteral("No File ") + name);
        return;
    }
    if (info.size() > kMaxFileBytes && info.isFile()) {
        status.msgError(QStringLiteral("File too large ") + name);
        return;
    }
    QFile file(name);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        status.msgError(QStringLiteral("Cannot read ") + name);
        return;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileBytes) {
        status.msgError((bytes.size() > kMaxFileBytes ? QStringLiteral("File too large ")
                                                      : QStringLiteral("Cannot read ")) +
                        name);
        return;
    }
    file.close();

    status.msg(QStringLiteral("Reading AFR table file ..."));
    const tables::AfrFileContent content = tables::parseAfrFile(bytes);
    m_txtAFRfileData.setText(content.echo);

    const bool pinChosen = m_tables.model().iOutputPin() != 0;
    bool limited = false;
    qint64 count = 0;
    for (const qint64 value : content.values) {
        if (count < kTableEntries && pinChosen) {
            limited = limited || value < 0 || value > 32767;
            m_tables.setEETable(static_cast<int>(count), value);
        }
        ++count;
        if (count > kTableEntries) {
            status.msgError(QStringLiteral("Extra entries (to ") + withSignPosition(count) +
                            QStringLiteral(")  - expecting 65"));
        }
    }

    if (count >= kTableEntries) {
        status.msg(QStringLiteral("Read file ") + name);
    } else {
        status.msgError(QStringLiteral("Only ") + withSignPosition(count) +
                        QStringLiteral(" entries - expecting 65"));
        if (pinChosen) {
            for (auto i = static_cast<int>(count); i < kTableEntries; ++i) {
                m_tables.setEETable(i, 0);
            }
        }
    }
    // The table model reports limited values as it stores them; the outcome above would hide it.
    if (limited) {
        status.msgError(QStringLiteral("Values out of range were limited to 0..32767"));
    }
    if (pinChosen) {
        m_tables.ShowValueTable();
    }
    m_tables.p1_Paint();
}

void AfrFileImport::cmdAFRfilename_Click() {
    // A cancelled dialog keeps the preset name, so the same file is read again.
    const QString preset = m_txtAFRfilename->text();
    QString chosen = m_context.dialogs.openFile(preset, kFilter);
    if (chosen.isEmpty()) {
        chosen = preset;
    }
    if (!chosen.isEmpty()) {
        m_txtAFRfilename->setText(chosen);
        readAFRFile();
    }
}

void AfrFileImport::cmdCopyallFile_Click() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(m_txtAFRfileData.text());
}

void AfrFileImport::cmdPasteFile_Click() {
    m_txtAFRfileData.setText(QGuiApplication::clipboard()->text());
}

void AfrFileImport::cmdClearFile_Click() {
    m_txtAFRfileData.setText(QString());
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
        m_txtAFRfilename->setText(url.isLocalFile() ? url.toLocalFile() : url.toString());
        ++files;
    }
    if (files == 1) {
        readAFRFile();
    } else {
        m_txtAFRfilename->clear();
    }
}

bool AfrFileImport::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_txtAFRfilename) {
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
