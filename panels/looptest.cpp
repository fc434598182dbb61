#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QTimer>

namespace {
constexpr int TargetPositionRegister = 0x0103;
constexpr int ForceRegister = 0x0101;
} // namespace

// The loop owns one single-shot timer: stopping disarms it and a restart re-arms it, so a
// stop and start within one dwell never leaves two chains of steps running.
void MainWindow::initLoopTest()
{
    m_loopTimer = new QTimer(this);
    m_loopTimer->setSingleShot(true);
    connect(m_loopTimer, &QTimer::timeout, this, &MainWindow::slot_testloop);
    // The button stays down while the loop runs.
    ui->pB_T_loop->setCheckable(true);
}

void MainWindow::on_pB_T_P1_clicked() { queueRegisterWrite(TargetPositionRegister, quint16(ui->spB_T_P1->value())); }
void MainWindow::on_pB_T_P2_clicked() { queueRegisterWrite(TargetPositionRegister, quint16(ui->spB_T_P2->value())); }
void MainWindow::on_pB_T_F1_clicked() { queueRegisterWrite(ForceRegister, quint16(ui->spB_T_F1->value())); }
void MainWindow::on_pB_T_F2_clicked() { queueRegisterWrite(ForceRegister, quint16(ui->spB_T_F2->value())); }

void MainWindow::on_pB_T_loop_clicked()
{
    loopTestRunning = !loopTestRunning;
    ui->pB_T_loop->setChecked(loopTestRunning);
    if (loopTestRunning)
        loopTestStep();
    else
        m_loopTimer->stop();
}

void MainWindow::slot_testloop()
{
    if (loopTestRunning)
        loopTestStep();
}

// One move to the position of the current phase; the dwell counts from the moment the
// move is queued. The spin boxes are read at every step, so changes apply to the next.
void MainWindow::loopTestStep()
{
    const int dwell = (loopPhase ? ui->spB_T_loop_1 : ui->spB_T_loop_2)->value();
    const int position = (loopPhase ? ui->spB_T_P1 : ui->spB_T_P2)->value();
    m_loopTimer->start(dwell);
    queueRegisterWrite(TargetPositionRegister, quint16(position));
    loopPhase = !loopPhase;
}
