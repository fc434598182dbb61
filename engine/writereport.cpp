// Writes that did not end in an answer: the connection window's process log gets a line
// naming the register, the values and the tries, and the operator sees a notice in the
// main window's status bar.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/diag.h"
#include "engine/actionregisters.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"

namespace {
constexpr int NoticeMs = 30000;
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
}

void MainWindow::showWriteReport(const QString &line, const QString &notice)
{
    GV_WARNING("showWriteReport") << line;
    if (m_connectionForm)
        m_connectionForm->Slot_show_progress(line);
    ui->statusBar->showMessage(notice, NoticeMs);
}
