#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/registermap.h"
#include "data/vxregisterdatabase.h"
#include "engine/replydecode.h"
#include "panels/controlpages.h"
#include "panels/controlvalues.h"
#include "panels/devicechoice.h"
#include "panels/devicenumber.h"
#include "panels/parameterwidgets.h"
#include "panels/plots.h"

#include <QComboBox>
#include <QDoubleValidator>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {

// A slider-and-edit pair follows the device only when the slider differs from it, so that
// an edit the operator is typing into is not overwritten by every reply.
void followPair(QSlider *slider, QLineEdit *edit, int sliderValue, const QString &editText)
{
    if (slider->value() == sliderValue)
        return;
    slider->setValue(sliderValue);
    edit->setText(editText);
}

QString hundredths(int value)
{
    return ControlValues::textFromRegister(value, 100);
}

// Module registers (positions, push band, stroke) are unsigned 16-bit quantities whose
// widgets reach up to 65535; they take the unsigned reading so that strokes above
// 327.67 mm keep their value.
void applyControlRow(Ui::MainWindow *ui, int row, qint16 v, quint16 u)
{
    switch (row) {
    case 1:
        followPair(ui->hS_Force, ui->lE_Force, v, QString::number(v));
        if (ui->lE_PushForce_module->text().toInt() != v)
            ui->lE_PushForce_module->setText(QString::number(v));
        break;
    case 2:
        if (ControlValues::registerFromText(ui->lE_PushBand_module->text(), 100) != int(u))
            ui->lE_PushBand_module->setText(hundredths(u));
        break;
    case 3:
        followPair(ui->hS_Position, ui->lE_Position, v, QString::number(v / 10));
        followPair(ui->hS_Position_module, ui->lE_Position_module, u, hundredths(u));
        break;
    case 4:
        followPair(ui->hS_Speed, ui->lE_Speed, v, QString::number(v));
        followPair(ui->hS_Speed_module, ui->lE_Speed_module, v, QString::number(v));
        break;
    case 5:
        followPair(ui->hS_Rotation_Rotating, ui->lE_Rotation_Rotating, v, QString::number(v));
        followPair(ui->hS_AccDec_module, ui->lE_AccDec_module, v, QString::number(v));
        break;
    case 7:
        followPair(ui->hS_Speed_Rotating, ui->lE_Speed_Rotating, v, QString::number(v));
        break;
    case 8:
        followPair(ui->hS_Force_Rotating, ui->lE_Force_Rotating, v, QString::number(v));
        break;
    default:
        break;
    }
}

// A code register shows a code outside its combo's list as what it is (codes are unsigned).
void showCode(QComboBox *combo, quint16 code)
{
    DeviceChoice::show(combo, code, MainWindow::tr("%1 (unknown)").arg(code));
}

void applyUserParameterRow(Ui::MainWindow *ui, int row, qint16 v, quint16 u, const QString &numberTip)
{
    switch (row) {
    case 1:
        showCode(ui->cB_Init_Direction, u);
        ui->lb_other_notice->clear();
        break;
    case 2:
        DeviceNumber::show(ui->spB_gid, v, numberTip);
        break;
    case 3:
        showCode(ui->cB_Baudrate, u);
        break;
    case 4:
        showCode(ui->cB_StopBits, u);
        break;
    case 5:
        showCode(ui->cB_Parity, u);
        ui->lb_Commu_notice->clear();
        break;
    default:
        break;
    }
}

QSpinBox *standardIoBox(const Ui::MainWindow *ui, int row)
{
    return row >= 5 && row <= 16 ? ParameterWidgets::gripperIoBoxes(ui)[size_t(row - 5)] : nullptr;
}

// Four position sets of six registers each from row 7 on, one unused row between sets.
QSpinBox *extendedIoBox(const Ui::MainWindow *ui, int row)
{
    if (row < 7 || row > 33)
        return nullptr;
    const int set = (row - 7) / 7;
    const int slot = (row - 7) % 7;
    return slot < 6 ? ParameterWidgets::moduleIoBoxes(ui)[size_t(set)][size_t(slot)] : nullptr;
}

// Keeps the validator of an edit when it already has these bounds, so that a stroke polled
// every second does not pile up validators.
void setDoubleBounds(QObject *owner, QLineEdit *edit, double bottom, double top)
{
    const auto *current = qobject_cast<const QDoubleValidator *>(edit->validator());
    if (current && current->bottom() == bottom && current->top() == top && current->decimals() == 2)
        return;
    edit->setValidator(ControlPages::decimalValidator(bottom, top, 2, owner));
}

} // namespace

// The control page and the demonstration are for an initialised device out of I/O mode; a
// demonstration running when the device leaves that state stops rather than send moves to
// a page the operator sees greyed.
void MainWindow::updateControlEnableState()
{
    const bool enabled = m_initialised && !m_ioMode && !isReplaying();
    ui->stackedWidget_control->setEnabled(enabled);
    ui->rB_Demo->setEnabled(enabled);
    if (!enabled && demoRunning)
        ui->rB_Demo->setChecked(false);
}

// Every read reply reaches the register table of its group, and the control, feedback,
// parameter and information blocks also reach the panels. Nothing is read past the end of
// the array: missing bytes count as 0.
void MainWindow::RefreshRegisterValue(QByteArray data)
{
    if (data.isEmpty())
        return;
    const ShowingDeviceValues showing(this);

    const QString start = ReplyDecode::startAddressText(data);
    const int count = ReplyDecode::valueCount(data);
    const int groupBase = (ReplyDecode::startAddress(data) >> 8) * 256;
    const bool module = m_currentModelName.contains(QLatin1String("TQP2-51500"));
    const auto applyIoMode = [this](qint16 v) {
        showCode(ui->cB_IOMode, quint16(v));
        ui->wg_IO_Test->setVisible(v == 0);
        m_ioMode = v != 0;
        if (m_ioMode)
            ui->lb_Control_notice->setText(tr("IO Mode is enabled!!"));
    };

    for (int tab = 0; tab < ui->tabW_register->count(); ++tab) {
        const QString title = ui->tabW_register->tabText(tab);
        if (!ReplyDecode::titleMatchesStart(title, start))
            continue;
        if (ReplyDecode::titleIsBlock(title, "0x0a00"))
            getGripperInfo(data.mid(3, 12));

        auto *table = qobject_cast<QTableWidget *>(ui->tabW_register->widget(tab));
        if (table && count != 0 && table->rowCount() == count) {
            // Formats come from the map the tables were built from; only a reply that
            // fills a table asks for it.
            const RegisterMap *map = activeRegisterMap();
            const bool control = ReplyDecode::titleIsBlock(title, "0x0100");
            const bool feedback = ReplyDecode::titleIsBlock(title, "0x0200");
            const bool user = ReplyDecode::titleIsBlock(title, "0x0300");
            const bool io = ReplyDecode::titleIsBlock(title, "0x0400");

            for (int row = 0; row < count; ++row) {
                const qint16 v = ReplyDecode::valueAt(data, row);
                const quint16 u = static_cast<quint16>(v);

                const QString format = map ? map->registerFormats.value(groupBase + row) : QString();
                const QString text = ReplyDecode::valueText(v, format);
                if (QTableWidgetItem *item = table->item(row, 2))
                    item->setText(text);
                else
                    table->setItem(row, 2, new QTableWidgetItem(text));

                if (control && !m_parametersLoaded)
                    applyControlRow(ui, row, v, u);

                if (feedback) {
                    if (row == 0) {
                        if (v == 1)
                            m_initialised = true;
                        else if (v == 0 || v == 2)
                            m_initialised = false;
                    } else if (row == 1) {
                        showGripState(v);
                    } else if (row == 2) {
                        addPlotSample(ui->PositionPlot, positionSample(m_moduleCurve, u));
                    } else if (row == 4) {
                        addPlotSample(ui->CurrentPlot, v);
                    }
                }

                if (user && !m_parametersLoaded && row <= 5)
                    applyUserParameterRow(ui, row, v, u, outOfRangeTip());

                if (module && user && row == 6) {
                    const bool strokeChanged = ui->hS_Position_module->maximum() != int(u);
                    ui->hS_Position_module->setRange(0, u);
                    if (strokeChanged)
                        updatePlotAxes(true);
                    const double bottom = ui->hS_Position_module->minimum();
                    const double top = ui->hS_Position_module->maximum() / 100.0;
                    setDoubleBounds(this, ui->lE_Position_module, bottom, top);
                    setDoubleBounds(this, ui->lE_PushBand_module, bottom, top);
                }

                // A linear module has the extended I/O table, whose values are unsigned.
                const int lastIoRow = module ? 33 : 16;
                if (io && !m_parametersLoaded && row <= lastIoRow) {
                    if (row == 2)
                        applyIoMode(v);
                    else if (QSpinBox *box = module ? extendedIoBox(ui, row) : standardIoBox(ui, row))
                        DeviceNumber::show(box, module ? int(u) : int(v), outOfRangeTip());
                    if (row == lastIoRow) {
                        m_parametersLoaded = true;
                        ui->lb_IO_notice->clear();
                    }
                }
            }
        }

        updateControlEnableState();
    }
}
