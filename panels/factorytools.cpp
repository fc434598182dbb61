#include "app/mainwindow.h"
#include "app/plaintext.h"
#include "ui_mainwindow.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>

namespace {

constexpr int PermissionRegister = 0x0000;
constexpr quint16 Trigger = 175; // starts a factory function
constexpr int HideClickWindowMs = 1000;

// Access codes of the Permission register by user level (the index of cB_UserLevel).
constexpr quint16 AccessCodes[] = {0, 0x3C3C, 0x6969, 0xC3C3};
constexpr int AdvanceLevel = 1;
constexpr int AdministratorLevel = 3;

const char *const AdvancePassword = "3C3C";
const char *const AdministratorPassword = "C3C3";

} // namespace

void MainWindow::initFactoryTools()
{
    ui->lE_T_UID->setInputMask(QStringLiteral("HHHHHHHH"));

    // Two clicks on the hidden button within a second open the password dialog; every
    // click restarts the one reset timer, so any two clicks less than a second apart count.
    m_hideClickTimer = new QTimer(this);
    m_hideClickTimer->setSingleShot(true);
    m_hideClickTimer->setInterval(HideClickWindowMs);
    connect(m_hideClickTimer, &QTimer::timeout, this, [this] { hideClickCount = 0; });
}

QString MainWindow::askPassword(bool *accepted)
{
    if (m_passwordPrompt)
        return m_passwordPrompt(accepted);
    return QInputDialog::getText(this, tr("User Level"), tr("Password:"), QLineEdit::Password,
                                 QString(), accepted,
                                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

int MainWindow::askOperator(int icon, const QString &title, const QString &text)
{
    if (m_messageBox)
        return m_messageBox(icon, title, text);
    switch (icon) {
    case QMessageBox::Question:
        return PlainText::message(this, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No);
    case QMessageBox::Warning:
        return PlainText::message(this, QMessageBox::Warning, title, text);
    default:
        return PlainText::message(this, QMessageBox::Information, title, text);
    }
}

void MainWindow::on_pB_hide_clicked()
{
    ++hideClickCount;
    m_hideClickTimer->start();
    if (hideClickCount != 2)
        return;

    bool accepted = false;
    const QString password = askPassword(&accepted);
    int level = -1;
    if (accepted && password == QLatin1String(AdministratorPassword))
        level = AdministratorLevel;
    else if (accepted && password == QLatin1String(AdvancePassword))
        level = AdvanceLevel;

    if (level == AdministratorLevel) {
        for (QWidget *page : {ui->tab_test, ui->tab_temp}) {
            if (ui->tab_User->indexOf(page) < 0)
                ui->tab_User->addTab(page, page == ui->tab_test ? tr("Test") : tr("temp"));
        }
    }
    if (level >= AdvanceLevel) {
        showHeldBackTables(1);
        if (level == AdministratorLevel)
            showHeldBackTables(2);
        writeAccessLevel(level);
    }
    hideClickCount = 0;
}

// Writes the access code of a level; the selector then shows that level, so that picking
// any other one writes again.
void MainWindow::writeAccessLevel(int level)
{
    queueRegisterWrite(PermissionRegister, AccessCodes[level]);
    const QSignalBlocker blocker(ui->cB_UserLevel);
    ui->cB_UserLevel->setCurrentIndex(level);
}

// Appends the register tables held back for one access level, in group order; a table
// that already has its tab (a password entered twice) keeps it.
void MainWindow::showHeldBackTables(int accessLevel)
{
    QMap<int, QTableWidget *> byGroup;
    for (auto it = tableAccessLevels.cbegin(); it != tableAccessLevels.cend(); ++it) {
        if (it.value() == accessLevel && ui->tabW_register->indexOf(it.key()) < 0)
            byGroup.insert(m_tableGroups.value(it.key()), it.key());
    }
    for (QTableWidget *table : byGroup)
        ui->tabW_register->addTab(table, tableTitles.value(table));
}

void MainWindow::on_cB_UserLevel_currentIndexChanged(int index)
{
    const bool known = index >= 0 && index < int(sizeof AccessCodes / sizeof AccessCodes[0]);
    queueRegisterWrite(PermissionRegister, known ? AccessCodes[index] : 0);
}

void MainWindow::on_pB_T_ParaA_clicked() { queueRegisterWrite(0x1200, quint16(ui->spB_T_ParaA->value())); }
void MainWindow::on_pB_T_ParaB_clicked() { queueRegisterWrite(0x1201, quint16(ui->spB_T_ParaB->value())); }
// The buttons' object names are crossed: each writes the spin box above it.
void MainWindow::on_pB_T_ParaD_clicked() { queueRegisterWrite(0x1202, quint16(ui->spB_T_ParaC->value())); }
void MainWindow::on_pB_T_ParaC_clicked() { queueRegisterWrite(0x1203, quint16(ui->spB_T_ParaD->value())); }

void MainWindow::on_pB_T_Upgrade_clicked() { queueRegisterWrite(0x1103, Trigger); }
void MainWindow::on_pB_T_SaveBackup_clicked() { queueRegisterWrite(0x1102, Trigger); }
void MainWindow::on_pB_T_RestoreBackup_clicked() { queueRegisterWrite(0x1104, Trigger); }

// The calibration needs the administrator's code in force first.
void MainWindow::on_pB_T_ZeroAngle_clicked()
{
    writeAccessLevel(AdministratorLevel);
    queueRegisterWrite(0x1100, Trigger);
}

void MainWindow::on_pushButton_clicked() { queueRegisterWrite(0x0502, 1); }
void MainWindow::on_pushButton_2_clicked() { queueRegisterWrite(0x0506, 165); }
void MainWindow::on_pB_Emergency_Close_clicked() { queueRegisterWrite(0x0500, 2); }
void MainWindow::on_pB_Emergency_Open_clicked() { queueRegisterWrite(0x0500, 1); }

// The unique ID travels as two words: 0x0A03 takes the last four digits, 0x0A04 the
// first four, in one write. A partly filled field writes nothing.
void MainWindow::on_pB_T_SetUID_clicked()
{
    const QString text = ui->lE_T_UID->text();
    static const QRegularExpression eightDigits(QStringLiteral("^[0-9A-Fa-f]{8}$"));
    if (!eightDigits.match(text).hasMatch()) {
        askOperator(QMessageBox::Warning, tr("Notice"),
                    tr("The unique ID needs eight hexadecimal digits."));
        return;
    }
    queueRegistersWrite(0x0A03, {quint16(text.midRef(4, 4).toUInt(nullptr, 16)),
                                 quint16(text.midRef(0, 4).toUInt(nullptr, 16))});
}
