#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/vevirurodozovidatabase.h"
#include "engine/deviceinfo.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"

#include <QFile>
#include <QImage>
#include <QIntValidator>
#include <QPixmap>
#include <QTableWidget>

#include "qcustomplot.h"

void MainWindow::getGripperInfo(QByteArray info)
{
    const DeviceInfo device = DeviceInfo::fromBlock(info);
    const ShowingDeviceValues showing(this);

    QString name;
    if (m_modelDb) {
        if (const ModelMap *models = m_modelDb->modelMap())
            name = models->modelNames.value(device.modelKey);
    }
    name = replayModelName(name);
    if (name.isEmpty())
        name = QStringLiteral("Grivant");

    if (name != m_currentModelName) {
        // A new model: rebuild the register tables and the polling list for its map.
        // The old tables may still be on the caller's stack (a polled 0x0A00 block), so
        // they are released from the event loop.
        for (QTableWidget *table : tableTitles.keys())
            table->deleteLater();
        tableTitles.clear();
        tableAccessLevels.clear();
        m_tableGroups.clear();
        m_currentModelName = name;

        m_vxCtl->ClearReadList();
        while (ui->tabW_register->count() > 0)
            ui->tabW_register->removeTab(0);
        initRegistersDb();

        // A replayed session has no port to read from.
        if (!isReplaying()) {
            if (!m_vxCtl->isRunning())
                m_vxCtl->start();
            m_vxCtl->ReadEnable(true);
        }

        const QString label = modelLabelFor(name);
        ui->lb_mode_I->setText(label);

        if (!label.isEmpty() && QFile::exists(QString(":/Resource/%1.png").arg(name)))
            ui->lb_picture->setPixmap(QPixmap::fromImage(QImage(QString(":/Resource/%1.png").arg(label))));
        else if (label.contains(QLatin1String("TQP2-51500")))
            ui->lb_picture->setPixmap(QPixmap::fromImage(QImage(QStringLiteral(":/Resource/TQP2-51500.png"))));
        else
            ui->lb_picture->setPixmap(QPixmap::fromImage(QImage(QStringLiteral(":/Resource/logo.icon"))));
        // Every linear module reads and saves its I/O groups in the module layout: the
        // gripper page would show values the module never sent and save them over its
        // position groups.
        ui->stackedWidget_io->setCurrentIndex(name.contains(QLatin1String("TQP2-51500")) ? 1 : 0);

        ui->wg_speed->setVisible(true);
        ui->wg_IO_speed->setVisible(true);
        ui->frame_changepage->setVisible(false);
        ui->gB_IO_Gripper->setVisible(false);
        ui->gB_IO_Rotating->setVisible(false);
        if (name.contains(QLatin1String("KX"))) {
            ui->gB_IO_Gripper->setVisible(true);
            ui->gB_IO_Rotating->setVisible(true);
            ui->frame_changepage->setVisible(true);
            ui->spB_IO_P_3->setRange(-32767, 32767);
            ui->spB_IO_P_4->setRange(-32767, 32767);
        }
        if (name.contains(QLatin1String("KY"))) {
            ui->wg_speed->setVisible(false);
            ui->wg_IO_speed->setVisible(false);
        }

        const bool linearModule = name.contains(QLatin1String("TQP2-51500"));
        ui->stackedWidget_control->setCurrentIndex(linearModule ? 2 : 0);
        m_moduleCurve = linearModule;
        updatePlotAxes(true);
        for (QPushButton *button : {ui->pB_IO_Test1, ui->pB_IO_Test2, ui->pB_IO_Test3, ui->pB_IO_Test4}) {
            button->setEnabled(!linearModule);
            button->setVisible(!linearModule);
        }

        m_parametersLoaded = false;
    }

    if (ui->lb_HW_I->text() != device.hardwareVersion) {
        m_hardwareVersion = device.hardwareVersion;
        ui->lb_HW_I->setText(m_hardwareVersion);
    }

    if (ui->lb_SW_I->text() != device.softwareVersion) {
        m_softwareVersion = device.softwareVersion;
        ui->lb_SW_I->setText(m_softwareVersion);
        if (softwareVersionHasFullForceRange(m_softwareVersion)) {
            ui->hS_Force->setRange(0, 100);
            ui->lE_Force->setText(QString::number(ui->hS_Force->maximum()));
            ui->lE_Force->setValidator(new QIntValidator(ui->hS_Force->minimum(), ui->hS_Force->maximum(), this));
        }
    }

    if (ui->lb_UID_I->text() != device.uniqueId) {
        m_uniqueId = device.uniqueId;
        ui->lb_UID_I->setText(m_uniqueId);
    }
}

void MainWindow::GripperConnectstate(int state)
{
    const ShowingDeviceValues showing(this);
    if (state == 2) {
        ui->actionDisconnect->setEnabled(true);
        // The advice to reconnect with new line settings has been followed.
        if (!m_reconnectHint.isEmpty() && ui->statusBar->currentMessage() == m_reconnectHint)
            ui->statusBar->clearMessage();
        m_reconnectHint.clear();
        // The timer is not started before the first connection.
        if (m_connectionTimer->isValid())
            m_connectionTimer->restart();
        else
            m_connectionTimer->start();
        ui->tab_User->setCurrentIndex(0);
        show();
        m_connectionForm->hide();
    } else if (state == 3) {
        m_vxCtl->ReadEnable(false);
        // A demonstration or loop test left running would move the next device as soon as
        // it connects.
        ui->rB_Demo->setChecked(false);
        if (loopTestRunning)
            on_pB_T_loop_clicked();
        for (int i = 0; i < 4 && i < ui->PositionPlot->graphCount(); ++i)
            ui->PositionPlot->graph(i)->data()->clear();
        ui->PositionPlot->replot(QCustomPlot::rpQueuedReplot);
        for (int i = 0; i < 2 && i < ui->CurrentPlot->graphCount(); ++i)
            ui->CurrentPlot->graph(i)->data()->clear();
        ui->CurrentPlot->replot(QCustomPlot::rpQueuedReplot);
        ui->actionDisconnect->setEnabled(false);
        m_currentModelName.clear();
        m_uniqueId.clear();
        m_softwareVersion.clear();
        m_hardwareVersion.clear();
        ui->hS_Force->setValue(ui->hS_Force->maximum());
        ui->hS_Speed->setValue(ui->hS_Speed->maximum());
        ui->hS_Position->setValue(ui->hS_Position->maximum());
        ui->lE_Force->setText(QString::number(ui->hS_Force->maximum()));
        ui->lE_Speed->setText(QString::number(ui->hS_Speed->maximum()));
        ui->lE_Position->setText(QString::number(ui->hS_Position->maximum() / 10.0, 'g', 6));
        m_connectionForm->show();
        hide();
        // Closing while the queued writes were being sent: they were dropped with the link
        // and reported; the program ends as asked.
        if (m_closeDrainTimer && m_closeDrainTimer->isActive())
            finishClosing();
    }
}
