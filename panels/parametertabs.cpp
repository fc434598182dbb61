#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/registermap.h"
#include "link/connectionform.h"
#include "panels/controlvalues.h"
#include "panels/devicechoice.h"
#include "panels/devicenumber.h"
#include "panels/parameterwidgets.h"

#include <QStringList>
#include <QTimer>

using namespace ControlValues;

namespace {

constexpr int RegisterSave = 0x0300;
constexpr int RegisterInitDirection = 0x0301;
constexpr int RegisterSlaveId = 0x0302;
constexpr int RegisterIoTest = 0x0400;
constexpr int RegisterIoMode = 0x0402;
constexpr int ReloadDelayMs = 1000;

} // namespace

std::array<QSpinBox *, 12> ParameterWidgets::gripperIoBoxes(const Ui::MainWindow *ui)
{
    return {ui->spB_IO_P_1, ui->spB_IO_F_1, ui->spB_IO_S_1, ui->spB_IO_P_2,
            ui->spB_IO_F_2, ui->spB_IO_S_2, ui->spB_IO_P_3, ui->spB_IO_F_3,
            ui->spB_IO_S_3, ui->spB_IO_P_4, ui->spB_IO_F_4, ui->spB_IO_S_4};
}

std::array<std::array<QSpinBox *, 6>, 4> ParameterWidgets::moduleIoBoxes(const Ui::MainWindow *ui)
{
    return {{
        {ui->spB_IO_P_5, ui->spB_IO_F_5, ui->spB_IO_S_5, ui->spB_IO_PB_1, ui->spB_IO_PF_1, ui->spB_IO_PS_1},
        {ui->spB_IO_P_6, ui->spB_IO_F_6, ui->spB_IO_S_6, ui->spB_IO_PB_2, ui->spB_IO_PF_2, ui->spB_IO_PS_2},
        {ui->spB_IO_P_7, ui->spB_IO_F_7, ui->spB_IO_S_7, ui->spB_IO_PB_3, ui->spB_IO_PF_3, ui->spB_IO_PS_3},
        {ui->spB_IO_P_8, ui->spB_IO_F_8, ui->spB_IO_S_8, ui->spB_IO_PB_4, ui->spB_IO_PF_4, ui->spB_IO_PS_4},
    }};
}

void MainWindow::initParameterTabs()
{
    m_reloadTimer = new QTimer(this);
    m_reloadTimer->setSingleShot(true);
    m_reloadTimer->setInterval(ReloadDelayMs);
    // The next polled values of the parameter groups fill the tabs again.
    connect(m_reloadTimer, &QTimer::timeout, this, [this] { m_parametersLoaded = false; });

    // A box showing the device's number beyond its range takes its own range again as soon
    // as the operator changes it: from then on it holds the operator's choice.
    for (QSpinBox *box : deviceNumberBoxes()) {
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, [this, box] {
            if (!m_showingDevice)
                DeviceNumber::settle(box);
        });
    }
}

QList<QSpinBox *> MainWindow::deviceNumberBoxes() const
{
    QList<QSpinBox *> boxes{ui->spB_gid};
    for (QSpinBox *box : ParameterWidgets::gripperIoBoxes(ui))
        boxes << box;
    for (const auto &group : ParameterWidgets::moduleIoBoxes(ui))
        for (QSpinBox *box : group)
            boxes << box;
    return boxes;
}

QString MainWindow::outOfRangeTip()
{
    return tr("The device holds %1, outside %2~%3. It is shown as it is and never written: "
              "choose a value to save one.");
}

// Every save queues the edited values first, then the command that stores them, and asks
// for the device's values a second later.
void MainWindow::saveParameters(QLabel *notice)
{
    queueRegisterWrite(RegisterSave, 1);
    m_reloadTimer->start();
    notice->setText(tr("Notice: Saving"));
}

// A combo that shows a code the device reported but this program does not know has nothing
// the operator chose: such a save is refused, and the device keeps its settings.
bool MainWindow::refuseUnknownCodes(QLabel *notice, const QList<QPair<QComboBox *, QString>> &combos)
{
    QStringList unknown;
    for (const auto &combo : combos) {
        if (DeviceChoice::chosen(combo.first) < 0)
            unknown << combo.second;
    }
    if (unknown.isEmpty())
        return false;
    // The notice has room for a few words, the combo shows which value; the status bar and
    // the notice's tip say it all.
    const QString names = unknown.join(QStringLiteral(", "));
    const QString why = tr("Not saved: the device reports a value of %1 that this program does not "
                           "know. Choose one first.")
                            .arg(names);
    notice->setText(tr("Not saved: unknown value"));
    notice->setToolTip(why);
    ui->statusBar->showMessage(why, 30000);
    return true;
}

// A spin box that shows the device's number beyond its range holds nothing the operator
// chose either (the slave ID 0 or 248, an I/O force of 5): such a save is refused too.
bool MainWindow::refuseUnchosenNumbers(QLabel *notice, const QList<QPair<QSpinBox *, QString>> &boxes)
{
    QStringList unchosen;
    for (const auto &box : boxes) {
        if (!DeviceNumber::chosen(box.first))
            unchosen << QStringLiteral("%1 (%2)").arg(box.second).arg(box.first->value());
    }
    if (unchosen.isEmpty())
        return false;
    const QString why = tr("Not saved: the device reports a value outside the range of %1. Choose "
                           "one first.")
                            .arg(unchosen.join(QStringLiteral(", ")));
    notice->setText(tr("Not saved: out of range"));
    notice->setToolTip(why);
    ui->statusBar->showMessage(why, 30000);
    return true;
}

void MainWindow::on_pB_Commu_Apply_clicked()
{
    if (refuseUnknownCodes(ui->lb_Commu_notice, {{ui->cB_Baudrate, tr("baud rate")},
                                                 {ui->cB_StopBits, tr("stop bits")},
                                                 {ui->cB_Parity, tr("parity")}})
        || refuseUnchosenNumbers(ui->lb_Commu_notice, {{ui->spB_gid, tr("slave ID")}}))
        return;
    LineCodes codes;
    codes.slaveId = ui->spB_gid->value();
    codes.baudCode = DeviceChoice::chosen(ui->cB_Baudrate);
    codes.stopCode = DeviceChoice::chosen(ui->cB_StopBits);
    codes.parityCode = DeviceChoice::chosen(ui->cB_Parity);
    queueRegistersWrite(RegisterSlaveId, lineWrite(codes));
    saveParameters(ui->lb_Commu_notice);
    adviseLineChange(codes);
}

void MainWindow::on_pB_Commu_Default_clicked()
{
    ui->cB_Baudrate->setCurrentIndex(0);
    ui->cB_Parity->setCurrentIndex(0);
    ui->cB_StopBits->setCurrentIndex(0);
    ui->spB_gid->setValue(1);
    on_pB_Commu_Apply_clicked();
}

// The device answers with its new address and line settings as soon as it has answered the
// save; polling on the old ones then goes unanswered. Say what to reconnect with, here and
// in the connection window's log, where the operator lands after disconnecting.
void MainWindow::adviseLineChange(const LineCodes &codes)
{
    if (!m_connectionForm)
        return;
    const int linkParityCode = m_connectionForm->linkParity() == 3 ? 1 : m_connectionForm->linkParity() == 2 ? 2 : 0;
    const int linkStopCode = m_connectionForm->linkStopBits() == 2 ? 1 : 0;
    if (codes.slaveId == m_connectionForm->linkSlaveId()
        && baudRateOfCode(codes.baudCode) == m_connectionForm->linkBaudRate()
        && codes.parityCode == linkParityCode && codes.stopCode == linkStopCode)
        return;

    const QString parity = codes.parityCode == 1   ? tr("odd", "parity")
                           : codes.parityCode == 2 ? tr("even", "parity")
                                                   : tr("no", "parity");
    QString advice = tr("The device now answers at ID %1, %2 baud, %3 parity, %4 stop bit(s): "
                        "disconnect and connect again with these settings.")
                         .arg(codes.slaveId)
                         .arg(baudRateOfCode(codes.baudCode))
                         .arg(parity)
                         .arg(codes.stopCode == 1 ? 2 : 1);
    if (codes.stopCode == 1)
        advice += QLatin1Char(' ') + tr("Search and Auto-Connect try one stop bit only.");
    m_reconnectHint = advice;
    ui->statusBar->showMessage(advice);
    m_connectionForm->appendLog(advice + QLatin1Char('\n'));
}

void MainWindow::on_pB_Other_Apply_clicked()
{
    if (refuseUnknownCodes(ui->lb_other_notice, {{ui->cB_Init_Direction, tr("initialization direction")}}))
        return;
    queueRegistersWrite(RegisterInitDirection, {quint16(DeviceChoice::chosen(ui->cB_Init_Direction))});
    saveParameters(ui->lb_other_notice);
}

// Also runs when the reply dispatch shows the device's own mode; only the operator's choice
// of "OFF" or "ON" is written.
void MainWindow::on_cB_IOMode_currentIndexChanged(int index)
{
    if (index == 0) {
        ui->lb_Control_notice->clear();
        ui->wg_IO_Test->show();
    } else if (index == 1) {
        ui->lb_Control_notice->setText(tr("IO Mode is enabled!!"));
        ui->wg_IO_Test->hide();
    }
    // The entry of a mode this program does not know leaves the device's mode as it is.
    const int mode = DeviceChoice::chosen(ui->cB_IOMode);
    if (m_showingDevice || mode < 0)
        return;
    queueRegistersWrite(RegisterIoMode, {quint16(mode)});
    m_parametersLoaded = false;
}

void MainWindow::on_pb_IO_Apply_clicked()
{
    // The boxes are named by their registers, as the register tables name them.
    const RegisterMap *map = activeRegisterMap();
    const auto named = [map](QSpinBox *box, int address) {
        const QString name = map ? map->registerDescriptions.value(address) : QString();
        return qMakePair(box, name.isEmpty() ? QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0')) : name);
    };
    QList<QPair<QSpinBox *, QString>> shown;
    if (ui->stackedWidget_io->currentIndex() == 0) {
        const auto boxes = ParameterWidgets::gripperIoBoxes(ui);
        for (size_t i = 0; i < boxes.size(); ++i)
            shown << named(boxes[i], GripperIoStart + int(i));
    } else if (ui->stackedWidget_io->currentIndex() == 1) {
        const auto boxes = ParameterWidgets::moduleIoBoxes(ui);
        for (size_t g = 0; g < boxes.size(); ++g)
            for (size_t i = 0; i < boxes[g].size(); ++i)
                shown << named(boxes[g][i], ModuleIoStart + int(g) * 7 + int(i));
    }
    if (refuseUnchosenNumbers(ui->lb_IO_notice, shown))
        return;

    if (ui->stackedWidget_io->currentIndex() == 0) {
        std::array<int, 12> values{};
        const auto boxes = ParameterWidgets::gripperIoBoxes(ui);
        for (size_t i = 0; i < boxes.size(); ++i)
            values[i] = boxes[i]->value();
        queueRegistersWrite(GripperIoStart, gripperIoWrite(values));
    } else if (ui->stackedWidget_io->currentIndex() == 1) {
        std::array<ModuleIoGroup, 4> groups{};
        const auto boxes = ParameterWidgets::moduleIoBoxes(ui);
        for (size_t g = 0; g < boxes.size(); ++g)
            for (size_t i = 0; i < boxes[g].size(); ++i)
                groups[g][i] = boxes[g][i]->value();
        queueRegistersWrite(ModuleIoStart, moduleIoWrite(groups));
    }
    saveParameters(ui->lb_IO_notice);
}

void MainWindow::on_pB_IO_Test1_clicked() { queueRegisterWrite(RegisterIoTest, 1); }
void MainWindow::on_pB_IO_Test2_clicked() { queueRegisterWrite(RegisterIoTest, 2); }
void MainWindow::on_pB_IO_Test3_clicked() { queueRegisterWrite(RegisterIoTest, 3); }
void MainWindow::on_pB_IO_Test4_clicked() { queueRegisterWrite(RegisterIoTest, 4); }

// A gripper I/O value is written as soon as the operator changes it; its code names the
// register's offset in the I/O group (5 to 16).
void MainWindow::slot_IOParam_Changed(QString text)
{
    if (m_showingDevice)
        return;
    const int code = text.toInt();
    const auto boxes = ParameterWidgets::gripperIoBoxes(ui);
    if (code < 5 || code >= 5 + int(boxes.size()))
        return;
    QSpinBox *box = boxes[size_t(code - 5)];
    DeviceNumber::settle(box);
    queueRegisterWrite(RegisterIoTest + code, quint16(box->value()));
}
