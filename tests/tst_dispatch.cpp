#include "app/mainwindow.h"
#include "engine/replydecode.h"
#include "ui_mainwindow.h"

#include <QDoubleValidator>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <qcustomplot.h>

namespace {

QByteArray reply(quint16 start, const QVector<quint16> &values, int claimedCount = -1)
{
    QByteArray data;
    data.append(char(start >> 8)).append(char(start & 0xFF));
    data.append(char(claimedCount < 0 ? values.size() : claimedCount));
    for (quint16 v : values)
        data.append(char(v >> 8)).append(char(v & 0xFF));
    return data;
}

} // namespace

class TestDispatch : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;

    void build(const QString &model)
    {
        window = std::make_unique<MainWindow>();
        window->setPlotClockForTest([] { return qint64(0); });
        window->rebuildRegisterTablesForTest(model, QStringLiteral("en_US"));
        ui = window->form();
        QCOMPARE(ui->tabW_register->count(), 6);
    }
    QTableWidget *table(int group) const
    {
        for (QTableWidget *t : window->tableTitlesMap().keys())
            if (window->tableGroup(t) == group)
                return t;
        return nullptr;
    }
    QString cell(int address) const
    {
        QTableWidget *t = table(address >> 8);
        return t && t->item(address & 0xFF, 2) ? t->item(address & 0xFF, 2)->text() : QString();
    }
    QStringList allCells() const
    {
        QStringList cells;
        for (QTableWidget *t : window->tableTitlesMap().keys())
            for (int r = 0; r < t->rowCount(); ++r)
                cells << t->item(r, 2)->text();
        return cells;
    }

private slots:
    void cleanup() { window.reset(); }

    void decodesWithoutReadingPastTheEnd();
    void tableCellsFollowTheFormat();
    void controlPageFollowsTheDevice();
    void emptyOrMismatchedReplyOnlyRefreshesEnableState();
    void feedbackDrivesTheControlPages();
    void ioModeDisablesTheControlPages();
    void firstFullIoReplyFreezesThePanels();
    void moduleExtendedIoAndStroke();
    void writeAcknowledgementChangesNothing();
    void shortArraysCountMissingBytesAsZero();
};

void TestDispatch::decodesWithoutReadingPastTheEnd()
{
    // Guard bytes after the end of the array must never show up in a value.
    const QByteArray storage = QByteArray::fromHex("0200030102") + QByteArray(16, char(0x55));
    const QByteArray data = QByteArray::fromRawData(storage.constData(), 6);
    QCOMPARE(ReplyDecode::startAddressText(data), QStringLiteral("0200"));
    QCOMPARE(ReplyDecode::valueCount(data), 3);
    QCOMPARE(ReplyDecode::valueAt(data, 0), qint16(0x0102));
    QCOMPARE(ReplyDecode::valueAt(data, 1), qint16(0x5500)); // high byte present, low missing
    QCOMPARE(ReplyDecode::valueAt(data, 2), qint16(0));
    QCOMPARE(ReplyDecode::valueAt(data, -1), qint16(0));
    QCOMPARE(ReplyDecode::valueCount(QByteArray("\x0a", 1)), 0);
    QCOMPARE(ReplyDecode::startAddressText(QByteArray("\x0a", 1)), QStringLiteral("0a00"));
    QCOMPARE(ReplyDecode::startAddressText(QByteArray("ok")), QStringLiteral("6f6b"));

    QCOMPARE(ReplyDecode::valueAt(QByteArray::fromHex("000001ff38"), 0), qint16(-200));
    QCOMPARE(ReplyDecode::valueText(-200, QStringLiteral("signed")), QStringLiteral("-200"));
    QCOMPARE(ReplyDecode::valueText(-200, QStringLiteral("unsigned")), QStringLiteral("65336"));
    QCOMPARE(ReplyDecode::valueText(-200, QStringLiteral("Unsigned")), QStringLiteral("-200"));
    QCOMPARE(ReplyDecode::valueText(-32768, QString()), QStringLiteral("-32768"));
}

void TestDispatch::tableCellsFollowTheFormat()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> values(14, 0);
    values[2] = 0xFF38; // Position, signed
    values[3] = 0xFF38; // Speed, unsigned
    values[13] = 0x8000;
    window->RefreshRegisterValue(reply(0x0200, values));
    QCOMPARE(cell(0x0202), QStringLiteral("-200"));
    QCOMPARE(cell(0x0203), QStringLiteral("65336"));
    QCOMPARE(cell(0x020D), QStringLiteral("-32768"));

    // A position of 1000 (0.1 %) plots as 100.0.
    values[2] = 1000;
    window->RefreshRegisterValue(reply(0x0200, values));
    QCOMPARE((ui->PositionPlot->graph(0)->data()->constEnd() - 1)->value, 100.0);
}

void TestDispatch::controlPageFollowsTheDevice()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> values(10, 0);
    values[1] = 60;
    values[2] = 250;          // push band 2.5 mm
    values[3] = quint16(-205); // position in 0.1 %
    values[4] = 40;
    values[5] = quint16(-900);
    values[7] = 30;
    values[8] = 70;
    window->RefreshRegisterValue(reply(0x0100, values));
    QCOMPARE(ui->lE_Position->text(), QStringLiteral("-20")); // truncated toward zero
    QCOMPARE(ui->lE_Force->text(), QStringLiteral("60"));
    QCOMPARE(ui->lE_PushForce_module->text(), QStringLiteral("60"));
    QCOMPARE(ui->lE_PushBand_module->text(), QStringLiteral("2.5"));
    QCOMPARE(ui->lE_Speed->text(), QStringLiteral("40"));
    QCOMPARE(ui->lE_Speed_module->text(), QStringLiteral("40"));
    QCOMPARE(ui->hS_Rotation_Rotating->value(), -900);
    QCOMPARE(ui->lE_Rotation_Rotating->text(), QStringLiteral("-900"));
    QCOMPARE(ui->lE_Speed_Rotating->text(), QStringLiteral("30"));
    QCOMPARE(ui->lE_Force_Rotating->text(), QStringLiteral("70"));
    QCOMPARE(cell(0x0103), QStringLiteral("65331")); // the table follows the format

    // An unchanged slider leaves what the operator typed.
    ui->hS_Rotation_Rotating->setValue(-900);
    ui->lE_Rotation_Rotating->setText(QStringLiteral("12"));
    window->RefreshRegisterValue(reply(0x0100, values));
    QCOMPARE(ui->lE_Rotation_Rotating->text(), QStringLiteral("12"));
}

void TestDispatch::emptyOrMismatchedReplyOnlyRefreshesEnableState()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> values(14, 0);
    values[0] = 1;
    values[1] = 2;
    values[2] = 500;
    window->RefreshRegisterValue(reply(0x0200, values));
    QVERIFY(ui->stackedWidget_control->isEnabled());
    const QStringList before = allCells();
    const int points = ui->PositionPlot->graph(0)->data()->size();

    QVector<quint16> changed(14, 7);
    changed[0] = 0;
    for (const QByteArray &data : { reply(0x0200, {}, 0), reply(0x0200, changed.mid(0, 8)),
                                    reply(0x0200, changed, 0) }) {
        ui->stackedWidget_control->setEnabled(false);
        window->RefreshRegisterValue(data);
        QVERIFY(ui->stackedWidget_control->isEnabled()); // refreshed from the flags
        QCOMPARE(allCells(), before);
        QVERIFY(window->initialised());
        QVERIFY(ui->rB_S_Caught->isChecked());
        QCOMPARE(ui->PositionPlot->graph(0)->data()->size(), points);
    }
}

void TestDispatch::feedbackDrivesTheControlPages()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> values(14, 0);
    const auto state = [&](quint16 init) {
        values[0] = init;
        window->RefreshRegisterValue(reply(0x0200, values));
        return ui->stackedWidget_control->isEnabled();
    };
    QVERIFY(!state(0));
    QVERIFY(state(1));
    QVERIFY(window->initialised());
    QVERIFY(state(3)); // unknown states keep the previous one
    QVERIFY(!state(2));
    QVERIFY(!state(3));
    QVERIFY(state(1));
}

void TestDispatch::ioModeDisablesTheControlPages()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> feedback(14, 0);
    feedback[0] = 1;
    window->RefreshRegisterValue(reply(0x0200, feedback));
    QVERIFY(ui->stackedWidget_control->isEnabled());

    QVector<quint16> io(17, 20);
    io[2] = 1;
    window->RefreshRegisterValue(reply(0x0400, io));
    QVERIFY(window->ioMode());
    QCOMPARE(ui->cB_IOMode->currentIndex(), 1);
    QVERIFY(ui->wg_IO_Test->isHidden());
    QCOMPARE(ui->lb_Control_notice->text(), QStringLiteral("IO Mode is enabled!!"));
    QVERIFY(!ui->stackedWidget_control->isEnabled());
    window->RefreshRegisterValue(reply(0x0200, feedback));
    QVERIFY(!ui->stackedWidget_control->isEnabled());
}

void TestDispatch::firstFullIoReplyFreezesThePanels()
{
    build(QStringLiteral("PG-Test"));
    ui->lb_IO_notice->setText(QStringLiteral("saving"));
    QVector<quint16> io(17, 0);
    io[5] = 500;
    io[6] = 50;
    io[16] = 90;
    window->RefreshRegisterValue(reply(0x0400, io));
    QVERIFY(window->parametersLoaded());
    QVERIFY(!window->ioMode());
    QVERIFY(!ui->wg_IO_Test->isHidden());
    QCOMPARE(ui->spB_IO_P_1->value(), 500);
    QCOMPARE(ui->spB_IO_F_1->value(), 50);
    QCOMPARE(ui->spB_IO_S_4->value(), 90);
    QCOMPARE(ui->spB_IO_P_5->value(), 0); // module boxes are not used for grippers
    QVERIFY(ui->lb_IO_notice->text().isEmpty());

    ui->lE_Force->setText(QStringLiteral("33"));
    ui->cB_Baudrate->setCurrentIndex(2);
    ui->spB_gid->setValue(5);
    QVector<quint16> control(10, 0);
    control[1] = 55;
    window->RefreshRegisterValue(reply(0x0100, control));
    QVector<quint16> user = { 0, 1, 9, 4, 1, 2, 50 };
    window->RefreshRegisterValue(reply(0x0300, user));
    io[5] = 700;
    io[2] = 1;
    window->RefreshRegisterValue(reply(0x0400, io));

    QCOMPARE(cell(0x0101), QStringLiteral("55"));
    QCOMPARE(cell(0x0303), QStringLiteral("4"));
    QCOMPARE(cell(0x0405), QStringLiteral("700"));
    QCOMPARE(ui->lE_Force->text(), QStringLiteral("33"));
    QCOMPARE(ui->cB_Baudrate->currentIndex(), 2);
    QCOMPARE(ui->spB_gid->value(), 5);
    QCOMPARE(ui->spB_IO_P_1->value(), 500);
    QVERIFY(!window->ioMode());
}

void TestDispatch::moduleExtendedIoAndStroke()
{
    build(QStringLiteral("TQP2-51500"));
    QVector<quint16> io(35, 0);
    for (int set = 0; set < 4; ++set) {
        const int row = 7 + set * 7;
        io[row] = quint16(40000 + set);  // position, 0.01 mm
        io[row + 1] = quint16(21 + set); // acc/dec
        io[row + 2] = quint16(31 + set); // speed
        io[row + 3] = quint16(1234 + set);
        io[row + 4] = quint16(41 + set);
        io[row + 5] = quint16(51 + set);
    }
    io[34] = 99;
    window->RefreshRegisterValue(reply(0x0400, io));
    QVERIFY(window->parametersLoaded());
    QCOMPARE(ui->spB_IO_P_5->value(), 40000);
    QCOMPARE(ui->spB_IO_F_5->value(), 21);
    QCOMPARE(ui->spB_IO_PS_1->value(), 51);
    QCOMPARE(ui->spB_IO_P_6->value(), 40001);
    QCOMPARE(ui->spB_IO_PB_3->value(), 1236);
    QCOMPARE(ui->spB_IO_S_8->value(), 34);
    QCOMPARE(ui->spB_IO_PF_4->value(), 44);
    QCOMPARE(ui->spB_IO_PS_4->value(), 54);
    QCOMPARE(ui->spB_IO_P_1->value(), 0);
    QCOMPARE(cell(0x0407), QStringLiteral("40000"));
    QCOMPARE(cell(0x0422), QStringLiteral("99"));

    // A stroke above 327.67 mm keeps its value; polling it again keeps the validator.
    QVector<quint16> user(11, 0);
    user[6] = 50000;
    window->RefreshRegisterValue(reply(0x0300, user));
    QCOMPARE(ui->hS_Position_module->minimum(), 0);
    QCOMPARE(ui->hS_Position_module->maximum(), 50000);
    const auto *validator = qobject_cast<const QDoubleValidator *>(ui->lE_Position_module->validator());
    QVERIFY(validator);
    QCOMPARE(validator->top(), 500.0);
    QCOMPARE(validator->decimals(), 2);
    QVERIFY(qobject_cast<const QDoubleValidator *>(ui->lE_PushBand_module->validator()));
    const int validators = window->findChildren<QDoubleValidator *>().size();
    window->RefreshRegisterValue(reply(0x0300, user));
    QCOMPARE(ui->lE_Position_module->validator(), validator);
    QCOMPARE(window->findChildren<QDoubleValidator *>().size(), validators);

    QVector<quint16> control(8, 0);
    control[3] = 45000;
    window->RefreshRegisterValue(reply(0x0100, control)); // frozen after the I/O reply
    QCOMPARE(cell(0x0103), QStringLiteral("45000"));
}

void TestDispatch::writeAcknowledgementChangesNothing()
{
    build(QStringLiteral("PG-Test"));
    QVector<quint16> values(14, 3);
    values[0] = 1;
    window->RefreshRegisterValue(reply(0x0200, values));
    ui->stackedWidget_control->setEnabled(false);
    const QStringList before = allCells();
    window->RefreshRegisterValue(QByteArray("ok"));
    window->RefreshRegisterValue(QByteArray());
    QCOMPARE(allCells(), before);
    QVERIFY(!ui->stackedWidget_control->isEnabled());
}

void TestDispatch::shortArraysCountMissingBytesAsZero()
{
    build(QStringLiteral("PG-Test"));
    // 14 values claimed, one and a half delivered; guard bytes follow in memory.
    const QByteArray storage = QByteArray::fromHex("02000e000102") + QByteArray(64, char(0x55));
    window->RefreshRegisterValue(QByteArray::fromRawData(storage.constData(), 6));
    QCOMPARE(cell(0x0200), QStringLiteral("1"));
    QCOMPARE(cell(0x0201), QStringLiteral("512"));
    for (int row = 2; row < 14; ++row)
        QCOMPARE(cell(0x0200 + row), QStringLiteral("0"));

    // Headers cut short, and an information block shorter than its twelve bytes.
    for (const char *hex : { "02", "0200", "0a", "0a0006", "0a000600270001", "01000a" })
        window->RefreshRegisterValue(QByteArray::fromHex(hex));
    const QByteArray info = QByteArray::fromHex("0a0006002701") + QByteArray(64, char(0x55));
    window->RefreshRegisterValue(QByteArray::fromRawData(info.constData(), 6));
    QVERIFY(ui->tabW_register->count() > 0);
}

QTEST_MAIN(TestDispatch)
#include "tst_dispatch.moc"
