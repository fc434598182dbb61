#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "app/flatui.h"
#include "panels/controlpages.h"
#include "panels/controlvalues.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>

using namespace ControlValues;

namespace {

QLocale plainNumbers()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

bool movesSlider(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Left: case Qt::Key_Right: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
        return !key->isAutoRepeat();
    default:
        return false;
    }
}

constexpr int RegisterInit = 0x0100;
constexpr quint16 InitCommand = 165;

} // namespace

QDoubleValidator *ControlPages::decimalValidator(double bottom, double top, int decimals, QObject *parent)
{
    auto *validator = new QDoubleValidator(bottom, top, decimals, parent);
    validator->setLocale(plainNumbers());
    return validator;
}

QIntValidator *ControlPages::integerValidator(int bottom, int top, QObject *parent)
{
    auto *validator = new QIntValidator(bottom, top, parent);
    validator->setLocale(plainNumbers());
    return validator;
}

void MainWindow::initControlPages()
{
    // Each slider holds a register value; its edit shows it in the operator's unit.
    m_setPoints = {
        {ui->hS_Position, ui->lE_Position, 10, 0x0103},
        {ui->hS_Force, ui->lE_Force, 1, 0x0101},
        {ui->hS_Speed, ui->lE_Speed, 1, 0x0104},
        {ui->hS_Rotation_Rotating, ui->lE_Rotation_Rotating, 1, 0x0105},
        {ui->hS_Force_Rotating, ui->lE_Force_Rotating, 1, 0x0108},
        {ui->hS_Speed_Rotating, ui->lE_Speed_Rotating, 1, 0x0107},
        {ui->hS_Position_module, ui->lE_Position_module, 100, 0x0103},
        {ui->hS_AccDec_module, ui->lE_AccDec_module, 1, 0x0105},
        {ui->hS_Speed_module, ui->lE_Speed_module, 1, 0x0104},
    };

    const auto initSlider = [](QSlider *slider, int minimum, int maximum, int value) {
        slider->setRange(minimum, maximum);
        slider->setValue(value);
    };
    initSlider(ui->hS_Position, 0, 1000, 1000);
    initSlider(ui->hS_Force, 20, 100, 100);
    initSlider(ui->hS_Speed, 1, 100, 100);
    ui->hS_Rotation_Rotating->setValue(0);
    initSlider(ui->hS_Force_Rotating, 0, 100, 100);
    initSlider(ui->hS_Speed_Rotating, 1, 100, 50);
    initSlider(ui->hS_Position_module, 0, 1000, 0);
    initSlider(ui->hS_AccDec_module, 1, 100, 100);
    initSlider(ui->hS_Speed_module, 1, 100, 100);

    FlatUI *flat = FlatUI::instance();
    for (const SetPoint &point : qAsConst(m_setPoints)) {
        flat->setSliderQss(point.slider, 10, "#E8EDF2", "#3db9ec", "#3db9ec", "#FFFFFF");
        point.slider->installEventFilter(this);
        // The filter sees a mouse move before the slider takes it; the edit shows where the
        // handle is now.
        connect(point.slider, &QSlider::sliderMoved, this,
                [edit = point.edit, scale = point.scale](int value) { edit->setText(textFromRegister(value, scale)); });
    }
    ui->pB_Position_Forward->installEventFilter(this);
    ui->pB_Position_Backward->installEventFilter(this);
    // A jog button that is disabled while held never sees its release: stop the jog then too.
    for (QPushButton *button : {ui->pB_Position_Forward, ui->pB_Position_Backward})
        connect(button, &QAbstractButton::released, this, [this] { stopJog(); });

    const auto intEdit = [this](QLineEdit *edit, QSlider *slider, const QString &text) {
        edit->setValidator(ControlPages::integerValidator(slider->minimum(), slider->maximum(), this));
        edit->setText(text);
    };
    ui->lE_Position->setValidator(ControlPages::decimalValidator(
        ui->hS_Position->minimum(), ui->hS_Position->maximum() / 10.0, 1, this));
    ui->lE_Position->setText(textFromRegister(ui->hS_Position->value(), 10));
    intEdit(ui->lE_Force, ui->hS_Force, QString::number(ui->hS_Force->value()));
    intEdit(ui->lE_Speed, ui->hS_Speed, QString::number(ui->hS_Speed->value()));
    intEdit(ui->lE_Rotation_Rotating, ui->hS_Rotation_Rotating, "0");
    intEdit(ui->lE_Force_Rotating, ui->hS_Force_Rotating, QString::number(ui->hS_Force_Rotating->value()));
    intEdit(ui->lE_Speed_Rotating, ui->hS_Speed_Rotating,
            QString::number(ui->hS_Speed_Rotating->maximum() / 2));
    ui->lE_Position_module->setValidator(ControlPages::decimalValidator(
        ui->hS_Position_module->minimum(), ui->hS_Position_module->maximum() / 100.0, 2, this));
    ui->lE_Position_module->setText(textFromRegister(ui->hS_Position_module->maximum(), 100));
    intEdit(ui->lE_AccDec_module, ui->hS_AccDec_module, QString::number(ui->hS_AccDec_module->value()));
    intEdit(ui->lE_Speed_module, ui->hS_Speed_module, QString::number(ui->hS_Speed_module->value()));
    ui->lE_PushBand_module->setValidator(
        ControlPages::decimalValidator(0, ui->hS_Position_module->maximum() / 100.0, 2, this));
    ui->lE_PushBand_module->setText("0");
    ui->lE_PushForce_module->setValidator(ControlPages::integerValidator(1, 100, this));
    ui->lE_PushForce_module->setText("40");

    for (QLineEdit *edit :
         {ui->lE_Position, ui->lE_Force, ui->lE_Speed, ui->lE_Rotation_Rotating, ui->lE_Force_Rotating,
          ui->lE_Speed_Rotating, ui->lE_Position_module, ui->lE_AccDec_module, ui->lE_Speed_module,
          ui->lE_PushBand_module, ui->lE_PushForce_module}) {
        flat->setLineEditQss(edit, 3, 2, "#DCE4EC", "#34495E");
        // Return comes just before the end of the edit it ends.
        connect(edit, &QLineEdit::returnPressed, this, [this, edit] { m_returnPressedOn = edit; });
    }

    // A click on the checked "Demo Mode" stops the cycle: the button is alone in its parent,
    // and an auto-exclusive button could not be unchecked by the operator.
    ui->rB_Demo->setAutoExclusive(false);
    flat->setRadioButtonQss(ui->rB_Demo, 8, "#D7DBDE", "#34495E");
    m_demoTimer = new QTimer(this);
    m_demoTimer->setSingleShot(true);
    connect(m_demoTimer, &QTimer::timeout, this, &MainWindow::looptest);
}

const MainWindow::SetPoint *MainWindow::setPointOf(const QObject *widget) const
{
    for (const SetPoint &point : m_setPoints)
        if (point.slider == widget || point.edit == widget)
            return &point;
    return nullptr;
}

void MainWindow::showSetPoint(const SetPoint &point)
{
    point.edit->setText(textFromRegister(point.slider->value(), point.scale));
}

void MainWindow::writeSetPoint(const SetPoint &point)
{
    queueRegisterWrite(point.address, quint16(point.slider->value()));
}

// An edit goes to the device when the operator changed its text, or pressed Return to send
// it again. Leaving an edit that shows what the device reported writes nothing, and neither
// does an edit that ends because its page was greyed under it (the focus leaves it then).
bool MainWindow::operatorEdited(QLineEdit *edit)
{
    const bool returnPressed = m_returnPressedOn == edit;
    m_returnPressedOn = nullptr;
    const bool changed = edit->isModified();
    edit->setModified(false);
    return edit->isEnabled() && (changed || returnPressed);
}

// The slider takes the edit's number in register units and clamps it; the slider's value,
// not the edit, is what goes to the device.
void MainWindow::applySetPointEdit(QLineEdit *edit)
{
    const SetPoint *point = setPointOf(edit);
    if (!point || !operatorEdited(edit))
        return;
    point->slider->setValue(registerFromText(edit->text(), point->scale));
    writeSetPoint(*point);
}

void MainWindow::moveSetPoint(QSlider *slider, bool toMaximum)
{
    const SetPoint *point = setPointOf(slider);
    slider->setValue(toMaximum ? slider->maximum() : slider->minimum());
    showSetPoint(*point);
    writeSetPoint(*point);
}

void MainWindow::on_pB_Activate_clicked()
{
    queueRegisterWrite(RegisterInit, InitCommand);
    ui->hS_Force->setValue(ui->hS_Force->maximum());
    ui->hS_Speed->setValue(ui->hS_Speed->maximum());
    ui->hS_Position->setValue(ui->hS_Position->minimum());
    ui->lE_Force->setText(QString::number(ui->hS_Force->value()));
    ui->lE_Speed->setText(QString::number(ui->hS_Speed->value()));
    ui->lE_Position->setText(textFromRegister(ui->hS_Position->minimum(), 10));
    ui->lE_Rotation_Rotating->setText(QStringLiteral("0"));
}

void MainWindow::on_pB_Position_Close_clicked() { moveSetPoint(ui->hS_Position, false); }
void MainWindow::on_pB_Position_Open_clicked() { moveSetPoint(ui->hS_Position, true); }
void MainWindow::on_pB_Force_Min_clicked() { moveSetPoint(ui->hS_Force, false); }
void MainWindow::on_pB_Force_Max_clicked() { moveSetPoint(ui->hS_Force, true); }
void MainWindow::on_pB_Speed_Min_clicked() { moveSetPoint(ui->hS_Speed, false); }
void MainWindow::on_pB_Speed_Max_clicked() { moveSetPoint(ui->hS_Speed, true); }
void MainWindow::on_pB_Force_Min_Rotating_clicked() { moveSetPoint(ui->hS_Force_Rotating, false); }
void MainWindow::on_pB_Force_Max_Rotating_clicked() { moveSetPoint(ui->hS_Force_Rotating, true); }
void MainWindow::on_pB_Speed_Min_Rotating_clicked() { moveSetPoint(ui->hS_Speed_Rotating, false); }
void MainWindow::on_pB_Speed_Max_Rotating_clicked() { moveSetPoint(ui->hS_Speed_Rotating, true); }

void MainWindow::on_lE_Position_editingFinished() { applySetPointEdit(ui->lE_Position); }
void MainWindow::on_lE_Force_editingFinished() { applySetPointEdit(ui->lE_Force); }
void MainWindow::on_lE_Speed_editingFinished() { applySetPointEdit(ui->lE_Speed); }
void MainWindow::on_lE_Force_Rotating_editingFinished() { applySetPointEdit(ui->lE_Force_Rotating); }
void MainWindow::on_lE_Speed_Rotating_editingFinished() { applySetPointEdit(ui->lE_Speed_Rotating); }
void MainWindow::on_lE_Rotation_Rotating_editingFinished() { applySetPointEdit(ui->lE_Rotation_Rotating); }
void MainWindow::on_lE_Position_module_editingFinished() { applySetPointEdit(ui->lE_Position_module); }
void MainWindow::on_lE_Speed_module_editingFinished() { applySetPointEdit(ui->lE_Speed_module); }
void MainWindow::on_lE_AccDec_module_editingFinished() { applySetPointEdit(ui->lE_AccDec_module); }

void MainWindow::on_lE_PushForce_module_editingFinished()
{
    if (!operatorEdited(ui->lE_PushForce_module))
        return;
    queueRegisterWrite(0x0101, quint16(ui->lE_PushForce_module->text().toInt()));
}

// The push band is typed in millimetres with up to two decimals, like the position.
void MainWindow::on_lE_PushBand_module_editingFinished()
{
    if (!operatorEdited(ui->lE_PushBand_module))
        return;
    queueRegisterWrite(0x0102, quint16(registerFromText(ui->lE_PushBand_module->text(), 100)));
}

void MainWindow::on_pB_pagechange_Gripper_clicked() { ui->stackedWidget_control->setCurrentIndex(0); }
void MainWindow::on_pB_pagechange_Rotating_clicked() { ui->stackedWidget_control->setCurrentIndex(1); }

void MainWindow::stopJog()
{
    if (m_jogDirection == 0)
        return;
    m_jogDirection = 0;
    queueRegisterWrite(JogRegister, JogStop);
}

// Sliders write when the left button lets go, not while they are dragged; the wheel never
// moves a slider or a stored I/O group; the module jogs while a jog button is held.
// The toolkit hands the mouse events of a greyed widget to its filters before it drops
// them: a greyed slider or jog button writes nothing, only a jog already running is stopped.
bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const auto leftButton = [event] {
        return static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
    };
    const auto *widget = qobject_cast<const QWidget *>(watched);
    const bool enabled = widget && widget->isEnabled();

    if (const SetPoint *point = setPointOf(watched); point && point->slider == watched) {
        if (type == QEvent::Wheel) {
            event->ignore();
            return true;
        }
        if (!enabled) {
            // nothing: the slider does not move either
        } else if (type == QEvent::MouseMove) {
            showSetPoint(*point);
        } else if (type == QEvent::MouseButtonRelease && leftButton()) {
            showSetPoint(*point);
            writeSetPoint(*point);
        } else if (type == QEvent::KeyRelease && movesSlider(static_cast<QKeyEvent *>(event))) {
            // Arrow and page keys move a focused slider too; it writes when the key is let go.
            showSetPoint(*point);
            writeSetPoint(*point);
        }
    } else if (type == QEvent::Wheel && watched->objectName().contains(QLatin1String("spB_IO_"))) {
        event->ignore();
        return true;
    } else if (watched == ui->pB_Position_Forward || watched == ui->pB_Position_Backward) {
        if (type == QEvent::MouseButtonPress && leftButton() && enabled) {
            const bool forward = watched == ui->pB_Position_Forward;
            m_jogDirection = forward ? 1 : -1;
            queueRegisterWrite(JogRegister, forward ? JogForward : JogBackward);
        } else if (type == QEvent::MouseButtonRelease && leftButton()) {
            stopJog();
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// Demonstration cycle: one timer carries it, so a stop and a quick restart never leave two
// chains of steps running side by side.
void MainWindow::on_rB_Demo_toggled(bool checked)
{
    if (!checked) {
        demoRunning = false;
        m_demoTimer->stop();
        return;
    }
    if (demoRunning)
        return;
    demoRunning = true;
    looptest();
}

void MainWindow::looptest()
{
    if (!demoRunning)
        return;
    const DemoRow &row = kDemoRows[size_t(demoStep)];
    queueRegistersWrite(0x0101, demoWrite(row));
    ui->hS_Position->setValue(row.position);
    ui->lE_Position->setText(QString::number(row.position / 10));
    ui->hS_Force->setValue(row.force);
    ui->lE_Force->setText(QString::number(row.force));
    ui->hS_Speed->setValue(row.speed);
    ui->lE_Speed->setText(QString::number(row.speed));
    demoStep = (demoStep + 1) % int(kDemoRows.size());
    m_demoTimer->start(row.delayMs);
}
