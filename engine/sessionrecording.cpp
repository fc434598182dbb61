// Recording a session from the window: Tools, "Record session..." and "Stop recording",
// the indicator in the status bar, and --record. Every frame of the link and every event
// the operator caused or saw goes to the session writer, which stores it in its own thread.
#include "app/mainwindow.h"
#include "app/plaintext.h"
#include "ui_mainwindow.h"

#include "data/vxregisterdatabase.h"
#include "engine/deviceinfo.h"
#include "engine/sessionwriter.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/modbusframe.h"
#include "link/traffic.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>

namespace {

QString sizeText(qint64 bytes)
{
    return bytes >= 1 << 20 ? QStringLiteral("%1 MB").arg(bytes / 1048576.0, 0, 'f', 1)
                            : QStringLiteral("%1 kB").arg(bytes / 1024.0, 0, 'f', 0);
}

} // namespace

void MainWindow::initSessionRecording()
{
    m_sessionWriter = new SessionWriter(this);

    m_recordAction = new QAction(this);
    m_recordAction->setObjectName(QStringLiteral("actionRecordSession"));
    m_stopRecordAction = new QAction(this);
    m_stopRecordAction->setObjectName(QStringLiteral("actionStopRecording"));
    m_stopRecordAction->setEnabled(false);
    ui->menuTools->addSeparator();
    ui->menuTools->addAction(m_recordAction);
    ui->menuTools->addAction(m_stopRecordAction);
    connect(m_recordAction, &QAction::triggered, this, &MainWindow::recordSessionChosen);
    connect(m_stopRecordAction, &QAction::triggered, this, &MainWindow::stopRecording);

    m_recordLabel = new QLabel(this);
    m_recordLabel->setObjectName(QStringLiteral("lb_Recording"));
    m_recordLabel->setTextFormat(Qt::PlainText); // the file's name as it is written
    m_recordLabel->setStyleSheet(QStringLiteral("QLabel{color:#C0392B;font-weight:bold;}"));
    m_recordLabel->hide();
    ui->statusBar->addWidget(m_recordLabel);
    m_recordTimer = new QTimer(this);
    m_recordTimer->setInterval(1000);
    connect(m_recordTimer, &QTimer::timeout, this, &MainWindow::updateRecordingIndicator);
    // A commit the disk refused ended the recording: the window stops showing it as running
    // and says why, and where the file ends.
    connect(m_sessionWriter, &SessionWriter::writeFailed, this, [this](const QString &error) {
        if (!m_stopRecordAction->isEnabled())
            return;
        const QString at = SessionFormat::timeText(SessionWriter::nowEpochUs() - m_sessionWriter->startEpochUs());
        stopRecording();
        const QString file = QDir::toNativeSeparators(m_sessionWriter->path());
        const QString notice = QFileInfo::exists(m_sessionWriter->path())
                                   ? tr("The recording stopped at %3: %1. %2 holds what was recorded before.").arg(error, file, at)
                                   : tr("The recording stopped: %1. Nothing was written to %2.").arg(error, file);
        ui->statusBar->showMessage(notice, 60000);
        qWarning("grivant: %s", qPrintable(notice));
    });

    TrafficTap *tap = m_connectionForm->trafficTap();
    connect(tap, &TrafficTap::recorded, m_sessionWriter, &SessionWriter::addFrame, Qt::DirectConnection);

    // Connections and identifications: the writer gets them after the window has dealt
    // with them (these connections are made after the window's own).
    connect(m_connectionForm, &ConnectionForm::SendGripperInfo, this, [this](const QByteArray &block) {
        m_lastIdentBlock = block;
        if (!m_recordAtConnection.isEmpty() && !m_sessionWriter->isRecording()) {
            const QString path = m_recordAtConnection;
            m_recordAtConnection.clear();
            QString error;
            if (!startRecording(path, &error)) {
                ui->statusBar->showMessage(error, 30000);
                qWarning("grivant: %s", qPrintable(error));
            }
            return;
        }
        const QString line = TrafficText::line(m_connectionForm->linkPort(), m_connectionForm->linkBaudRate(),
                                               m_connectionForm->linkParity(), m_connectionForm->linkStopBits());
        recordSessionEvent(SessionFormat::Connected, line, m_connectionForm->linkSlaveId(),
                           QString::fromLatin1(block.toHex()));
        recordSessionEvent(SessionFormat::Identified, m_currentModelName, -1, QString::fromLatin1(block.toHex()));
        m_recordedDisconnection = false;
    });
    connect(m_connectionForm, &ConnectionForm::SendConnectiomState, this, [this](int state) {
        // The link reports a closing twice.
        if (state == 3 && !m_recordedDisconnection) {
            recordSessionEvent(SessionFormat::Disconnected);
            m_recordedDisconnection = true;
        }
    });
    connect(m_connectionForm, &ConnectionForm::logAppended, this, [this](const QString &text) {
        const QString line = text.trimmed();
        if (!line.isEmpty())
            recordSessionEvent(SessionFormat::Log, line);
    });
    connect(ui->statusBar, &QStatusBar::messageChanged, this, [this](const QString &text) {
        if (!text.isEmpty())
            recordSessionEvent(SessionFormat::Notice, text);
    });

    // Outcomes come from the polling thread: stored from there, in the order they happen.
    auto values = [](const QVector<quint16> &v) { return SessionFormat::valuesText(v); };
    connect(m_vxCtl, &VX_Ctl::WriteQueued, this, [=](int address, QVector<quint16> v) {
        recordSessionEvent(SessionFormat::WriteQueued, QString(), address, values(v));
    });
    SessionWriter *writer = m_sessionWriter;
    auto event = [writer](const char *kind, int address, const QVector<quint16> &v, int tries) {
        SessionEvent e;
        e.kind = QLatin1String(kind);
        e.address = address;
        e.data = SessionFormat::valuesText(v);
        e.tries = tries;
        writer->addEvent(e);
    };
    connect(m_vxCtl, &VX_Ctl::WriteConfirmed, writer,
            [=](int address, QVector<quint16> v, int tries) { event(SessionFormat::WriteConfirmed, address, v, tries); },
            Qt::DirectConnection);
    connect(m_vxCtl, &VX_Ctl::WriteGivenUp, writer,
            [=](int address, QVector<quint16> v, int tries) { event(SessionFormat::WriteGivenUp, address, v, tries); },
            Qt::DirectConnection);
    connect(m_vxCtl, &VX_Ctl::WriteOutcomeUnknown, writer,
            [=](int address, QVector<quint16> v) { event(SessionFormat::WriteUnknown, address, v, -1); },
            Qt::DirectConnection);
    connect(m_vxCtl, &VX_Ctl::WriteRefused, writer,
            [writer](int address, QVector<quint16> v, int exceptionCode, int tries) {
                SessionEvent e;
                e.kind = QLatin1String(SessionFormat::WriteRefused);
                e.address = address;
                e.data = SessionFormat::valuesText(v);
                e.tries = tries;
                e.text = ModbusFrame::exceptionName(quint8(exceptionCode));
                writer->addEvent(e);
            },
            Qt::DirectConnection);

    retranslateSessionMenu();
}

void MainWindow::retranslateSessionMenu()
{
    if (!m_recordAction)
        return;
    m_recordAction->setText(tr("Record session..."));
    m_stopRecordAction->setText(tr("Stop recording"));
}

void MainWindow::recordSessionEvent(const char *kind, const QString &text, int address, const QString &data,
                                    int tries)
{
    if (!m_sessionWriter || !m_sessionWriter->isRecording())
        return;
    SessionEvent e;
    e.kind = QLatin1String(kind);
    e.text = text;
    e.address = address;
    e.data = data;
    e.tries = tries;
    m_sessionWriter->addEvent(e);
}

bool MainWindow::startRecording(const QString &path, QString *error, bool replace)
{
    if (isReplaying()) {
        *error = tr("A replayed session is not recorded again.");
        return false;
    }
    if (m_sessionWriter->isRecording())
        stopRecording();
    SessionHeader h;
    h.program = QStringLiteral("Grivant ") + QCoreApplication::applicationVersion();
    h.hostOs = QSysInfo::prettyProductName();
    h.port = m_connectionForm->linkPort();
    h.baudRate = m_connectionForm->linkBaudRate();
    h.parity = m_connectionForm->linkParity();
    // The link knows no stop bits before its first connection: one, as the format has it.
    h.stopBits = m_connectionForm->linkStopBits() == 2 ? 2 : 1;
    h.slaveId = m_connectionForm->linkSlaveId();
    h.ident = m_lastIdentBlock;
    h.modelName = m_currentModelName;
    // The language in use: without an ini file the window speaks English.
    const QString language = m_language == QLatin1String("zh_CN") ? m_language : QStringLiteral("en_US");
    h.language = language;
    h.mapName = SessionFormat::mapNameFor(m_currentModelName);
    const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
    if (!m_sessionWriter->start(path, h, map, error, replace ? SessionWriter::Replace : SessionWriter::Refuse))
        return false;
    m_connectionForm->trafficTap()->setRecording(true);
    const QString line = TrafficText::line(h.port, h.baudRate, h.parity, h.stopBits);
    recordSessionEvent(SessionFormat::Connected, line, h.slaveId, QString::fromLatin1(h.ident.toHex()));
    recordSessionEvent(SessionFormat::Identified, h.modelName, -1, QString::fromLatin1(h.ident.toHex()));
    recordSessionEvent(SessionFormat::Language, language);
    m_recordedDisconnection = false;
    m_recordAction->setEnabled(false);
    m_stopRecordAction->setEnabled(true);
    m_recordLabel->show();
    m_recordTimer->start();
    updateRecordingIndicator();
    return true;
}

void MainWindow::stopRecording()
{
    // Also after a failed commit ended the writing: the window still shows it running.
    if (!m_sessionWriter || !m_stopRecordAction || !m_stopRecordAction->isEnabled())
        return;
    m_connectionForm->trafficTap()->setRecording(false);
    QString error;
    const bool ok = m_sessionWriter->finish(&error);
    m_recordTimer->stop();
    m_recordLabel->hide();
    m_connectionForm->showRecording(QString(), QString());
    m_recordAction->setEnabled(true);
    m_stopRecordAction->setEnabled(false);
    const QString file = QDir::toNativeSeparators(m_sessionWriter->path());
    ui->statusBar->showMessage(ok ? tr("Session saved to %1 (%2).").arg(file, sizeText(QFileInfo(m_sessionWriter->path()).size()))
                                  : tr("The session %1 could not be finished: %2").arg(file, error),
                               30000);
}

// With the file's size for the main window; without it for the connection window, whose
// narrow status bar also holds the copyright line.
QString MainWindow::recordingIndicatorText(bool withSize) const
{
    if (!m_sessionWriter || !m_sessionWriter->isRecording())
        return QString();
    const qint64 seconds = (SessionWriter::nowEpochUs() - m_sessionWriter->startEpochUs()) / 1000000;
    const QString h = QStringLiteral("%1").arg(seconds / 3600, 2, 10, QLatin1Char('0'));
    const QString m = QStringLiteral("%1").arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'));
    const QString sec = QStringLiteral("%1").arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (!withSize)
        return tr("\u25CF REC %1:%2:%3").arg(h, m, sec);
    return tr("\u25CF REC %1:%2:%3, %4").arg(h, m, sec, sizeText(m_sessionWriter->bytesOnDisk()));
}

void MainWindow::updateRecordingIndicator()
{
    const QString tip = tr("Recording to %1").arg(QDir::toNativeSeparators(m_sessionWriter->path()));
    m_recordLabel->setText(recordingIndicatorText());
    m_recordLabel->setToolTip(tip);
    // A recording goes on across a disconnection, while the connection window is the one
    // in sight.
    m_connectionForm->showRecording(recordingIndicatorText(false), tip);
}

// The program ends while recording: the link closes with it, and the file says so before
// it is finished.
void MainWindow::finishRecordingAtExit()
{
    if (!m_sessionWriter || !m_sessionWriter->isRecording())
        return;
    if (!m_recordedDisconnection && m_connectionForm && m_connectionForm->isLinkConnected()) {
        recordSessionEvent(SessionFormat::Disconnected);
        m_recordedDisconnection = true;
    }
    m_connectionForm->trafficTap()->setRecording(false);
    QString error;
    if (!m_sessionWriter->finish(&error))
        qWarning("grivant: the session %s could not be finished: %s", qPrintable(m_sessionWriter->path()),
                 qPrintable(error));
}

void MainWindow::recordSessionChosen()
{
    const DeviceInfo info = DeviceInfo::fromBlock(m_lastIdentBlock);
    const QString suggested = QDir::current().filePath(
        QStringLiteral("%1_%2_%3%4")
            .arg(m_currentModelName.isEmpty() ? QStringLiteral("Grivant") : m_currentModelName, info.uniqueId,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")),
                 QLatin1String(SessionFormat::Suffix)));
    // The dialog adds the suffix to a bare name before it asks whether to replace a file
    // of that name, so that the name confirmed is the name written.
    QFileDialog dialog(this, tr("Record session"), suggested,
                       tr("Grivant sessions (*%1)").arg(QLatin1String(SessionFormat::Suffix)));
    dialog.setObjectName(QStringLiteral("recordSessionDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromLatin1(SessionFormat::Suffix).mid(1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString error;
    if (!startRecording(dialog.selectedFiles().constFirst(), &error, true))
        PlainText::message(this, QMessageBox::Warning, tr("Record session"), error);
}
