// Writes that did not end in an answer, or that the device refused: the connection
// window's process log gets a line naming the register, the values and the tries or the
// device's exception, and the operator sees a notice in the main window's status bar.
// Writes still queued when the operator closes the window are sent first, for a moment;
// what is left then is named before the program ends.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/diag.h"
#include "engine/actionregisters.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/modbusframe.h"
#include "link/traffic.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QTimer>

namespace {
constexpr int NoticeMs = 30000;
// Long enough for a handful of writes with a retry or two, short enough that closing still
// feels like closing.
constexpr int CloseDrainMs = 1500;
}

void MainWindow::initWriteReports()
{
    connect(m_vxCtl, &VX_Ctl::WriteGivenUp, this,
            [this](int address, QVector<quint16> values, int tries) {
                const QString line = WriteReport::givenUpLine(address, values, tries);
                const QString notice =
                    tries == 0 ? tr("Write 0x%1 not sent: connection changed")
                                     .arg(address, 4, 16, QLatin1Char('0'))
                               : tr("Write 0x%1 failed: no answer after %2 tries")
                                     .arg(address, 4, 16, QLatin1Char('0'))
                                     .arg(tries);
                showWriteReport(line, notice);
            });
    connect(m_vxCtl, &VX_Ctl::WriteOutcomeUnknown, this,
            [this](int address, QVector<quint16> values) {
                showWriteReport(WriteReport::outcomeUnknownLine(address, values),
                                tr("Write 0x%1: outcome unknown, not repeated")
                                    .arg(address, 4, 16, QLatin1Char('0')));
            });
    connect(m_vxCtl, &VX_Ctl::WriteRefused, this,
            [this](int address, QVector<quint16> values, int exceptionCode, int tries) {
                const quint8 code = quint8(exceptionCode);
                // A code without a name is told by its number, which the line gives anyway.
                const QString name = ModbusFrame::knownExceptionName(code) ? TrafficText::exceptionName(code)
                                                                           : ModbusFrame::exceptionName(code);
                showWriteReport(WriteReport::refusedLine(address, values, code, name, tries),
                                tr("Write 0x%1 refused by the device: %2")
                                    .arg(address, 4, 16, QLatin1Char('0'))
                                    .arg(TrafficText::exceptionName(code)));
            });

    m_closeDrainTimer = new QTimer(this);
    m_closeDrainTimer->setSingleShot(true);
    m_closeDrainTimer->setInterval(CloseDrainMs);
    connect(m_closeDrainTimer, &QTimer::timeout, this, &MainWindow::finishClosing);
    // Each write that leaves the queue may be the last one the closing waits for.
    connect(m_vxCtl, &VX_Ctl::WriteFinished, this, [this] {
        if (m_closeDrainTimer->isActive() && m_vxCtl->queuedWrites().isEmpty())
            finishClosing();
    });
}

// Closing while writes are queued: the window greys (nothing new is queued), the queue is
// sent for at most CloseDrainMs, and the window then closes for real.
void MainWindow::closeEvent(QCloseEvent *event)
{
    const QList<VX_Ctl::WriteRequest> queued =
        m_closing || !m_vxCtl->isRunning() ? QList<VX_Ctl::WriteRequest>() : m_vxCtl->queuedWrites();
    if (queued.isEmpty()) {
        QMainWindow::closeEvent(event);
        return;
    }
    if (!m_connectionForm || !m_connectionForm->isLinkConnected()) {
        nameUnsentWrites();
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    if (m_closeDrainTimer->isActive())
        return;
    ui->rB_Demo->setChecked(false);
    if (loopTestRunning)
        on_pB_T_loop_clicked();
    setEnabled(false);
    ui->statusBar->showMessage(tr("Closing: sending the writes still queued (%1) first...").arg(queued.size()));
    m_closeDrainTimer->start();
}

void MainWindow::finishClosing()
{
    m_closeDrainTimer->stop();
    nameUnsentWrites();
    m_closing = true;
    close();
    // The device went away meanwhile and brought the connection window back: the operator
    // still asked to end the program.
    if (m_connectionForm && m_connectionForm->isVisible())
        m_connectionForm->close();
}

// The writes that will not reach the device: the process log, the diagnostic output and a
// message to the operator name each of them.
void MainWindow::nameUnsentWrites()
{
    const QList<VX_Ctl::WriteRequest> writes = m_vxCtl->queuedWrites();
    if (writes.isEmpty())
        return;
    m_unsentNamed = true;
    QStringList lines;
    for (const VX_Ctl::WriteRequest &write : writes) {
        const QString line = WriteReport::unsentAtExitLine(write.address, write.values);
        GV_WARNING("nameUnsentWrites") << line;
        if (m_connectionForm)
            m_connectionForm->Slot_show_progress(line);
        lines << QStringLiteral("0x%1 = %2")
                     .arg(write.address, 4, 16, QLatin1Char('0'))
                     .arg(WriteReport::valuesText(write.values));
    }
    askOperator(QMessageBox::Warning, tr("Writes not confirmed"),
                tr("These writes were still queued when the program closed; the device has not "
                   "confirmed them:\n%1")
                    .arg(lines.join(QLatin1Char('\n'))));
}

void MainWindow::showWriteReport(const QString &line, const QString &notice)
{
    GV_WARNING("showWriteReport") << line;
    if (m_connectionForm)
        m_connectionForm->Slot_show_progress(line);
    ui->statusBar->showMessage(notice, NoticeMs);
}
