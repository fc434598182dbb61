#include "app/mainwindow.h"
#include "engine/replydecode.h"
#include "ui_mainwindow.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "support/operator.h"
#include <functional>
#include <memory>

namespace {

// Waits, from inside the dialog's own event loop, for the next modal input dialog; records
// what it offers and then lets the action accept, fill or cancel it.
class DialogDriver
{
public:
    explicit DialogDriver(std::function<void(QInputDialog *)> action) : m_action(std::move(action))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            m_timer.stop();
            seen = true;
            title = dialog->windowTitle();
            label = dialog->labelText();
            flags = dialog->windowFlags();
            intValue = dialog->intValue();
            minimum = dialog->intMinimum();
            maximum = dialog->intMaximum();
            items = dialog->comboBoxItems();
            editable = dialog->isComboBoxEditable();
            textValue = dialog->textValue();
            m_action(dialog);
        });
        m_timer.start();
    }

    bool seen = false;
    QString title, label, textValue;
    Qt::WindowFlags flags;
    int intValue = 0, minimum = 0, maximum = 0;
    QStringList items;
    bool editable = true;

private:
    std::function<void(QInputDialog *)> m_action;
    QTimer m_timer;
};

std::function<void(QInputDialog *)> enterInt(int value)
{
    return [value](QInputDialog *d) { d->setIntValue(value); d->accept(); };
}
std::function<void(QInputDialog *)> choose(const QString &text)
{
    return [text](QInputDialog *d) { d->setTextValue(text); d->accept(); };
}
void cancel(QInputDialog *d) { d->reject(); }

} // namespace

class TestTables : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window;
    Ui::MainWindow *ui = nullptr;
    QList<QPair<int, quint16>> writes;
    QList<QVector<int>> jobs;

    void build(const QString &model, const QString &language = QStringLiteral("en_US"),
               quint32 baud = 115200)
    {
        window = std::make_unique<MainWindow>();
        ui = window->form();
        writes.clear();
        jobs.clear();
        window->setBaudRateForTest(baud);
        window->setRegisterWriteObserverForTest([this](int a, quint16 v) { writes.append({ a, v }); });
        window->setPollingJobObserverForTest(
            [this](int a, quint16 n, quint16 t) { jobs.append({ a, n, t }); });
        window->rebuildRegisterTablesForTest(model, language);
    }
    QTableWidget *table(int group) const
    {
        for (QTableWidget *t : window->tableTitlesMap().keys())
            if (window->tableGroup(t) == group)
                return t;
        return nullptr;
    }
    QString text(int address, int column) const
    {
        QTableWidget *t = table(address >> 8);
        QTableWidgetItem *item = t ? t->item(address & 0xFF, column) : nullptr;
        return item ? item->text() : QStringLiteral("<none>");
    }
    // Double-clicks a row of a group's table, shown as the current tab as the operator sees it.
    void doubleClick(int address)
    {
        QTableWidget *t = table(address >> 8);
        QVERIFY(t);
        if (ui->tabW_register->indexOf(t) < 0)
            ui->tabW_register->addTab(t, window->tableTitlesMap().value(t));
        ui->tabW_register->setCurrentWidget(t);
        emit t->cellDoubleClicked(address & 0xFF, 3);
    }

private slots:
    void cleanup() { window.reset(); }

    void rangeTexts();
    void rowRules_data();
    void rowRules();
    void shippedTabsInEnglish();
    void titlesInChinese();
    void pollingIntervals_data();
    void pollingIntervals();
    void readOnlyRowsOpenNothing();
    void listDialogWritesTheChoice();
    void rangeDialogOffersWhatTheFormatHolds_data();
    void rangeDialogOffersWhatTheFormatHolds();
    void cancelWritesNothing();
};

void TestTables::rangeTexts()
{
    QCOMPARE(ReplyDecode::rangeBounds(QStringLiteral("-32768~32768")).maximum, 32768);
    QCOMPARE(ReplyDecode::rangeBounds(QStringLiteral("-32768~32768")).minimum, -32768);
    QCOMPARE(ReplyDecode::rangeBounds(QStringLiteral("1~100~7")).maximum, 100);
    QCOMPARE(ReplyDecode::rangeBounds(QStringLiteral("x~5")).minimum, 0);
    QCOMPARE(ReplyDecode::rangeBounds(QStringLiteral("12")).maximum, 0);
    QCOMPARE(ReplyDecode::rangeChoices(QStringLiteral("0,,1,")),
             QStringList({ "0", "", "1", "" }));
    QVERIFY(ReplyDecode::isChoiceList(QStringLiteral("0~1,")));
    QVERIFY(!ReplyDecode::isChoiceList(QStringLiteral("0~1")));
    QCOMPARE(ReplyDecode::decimalOrZero(QStringLiteral("abc")), 0);
    QCOMPARE(ReplyDecode::decimalOrZero(QStringLiteral("-17")), -17);
    QCOMPARE(ReplyDecode::truncate16(-1), quint16(0xFFFF));
    QCOMPARE(ReplyDecode::truncate16(32768), quint16(0x8000));
    QCOMPARE(ReplyDecode::truncate16(65536 + 5), quint16(5));
    QCOMPARE(ReplyDecode::tabTitle(QStringLiteral("Gripper Information"), 0x0A00),
             QStringLiteral("Gripper Information(0x0a00)"));
    QCOMPARE(ReplyDecode::tabTitle(QStringLiteral("Permission"), 0), QStringLiteral("Permission(0x0000)"));
    // A name from the map is text, even where it looks like a placeholder.
    QCOMPARE(ReplyDecode::tabTitle(QStringLiteral("Speed %2"), 0x0100), QStringLiteral("Speed %2(0x0100)"));
}

void TestTables::rowRules_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("range");
    QTest::addColumn<bool>("valueEditable");

    QTest::newRow("plain: rotary row reserved") << "PG-Test" << 0x0106 << "Reserve" << "-" << true;
    QTest::newRow("plain: rotary feedback") << "PG-Test" << 0x0208 << "Reserve" << "-" << false;
    QTest::newRow("plain: stall config") << "PG-Test" << 0x0505 << "Reserve" << "-" << true;
    QTest::newRow("plain: common row") << "PG-Test" << 0x0105 << "angle_Hi" << "-32768~32767" << true;
    QTest::newRow("plain: I/O position 3") << "PG-Test" << 0x040B << "Position_3" << "0~1000" << true;
    QTest::newRow("KX: own text") << "RG-KX30" << 0x0106 << "angle_Lo" << "-80~80" << true;
    QTest::newRow("KX: I/O position 3") << "RG-KX30" << 0x040B << "Position_3" << "-32767~32767" << true;
    QTest::newRow("KX: I/O position 4") << "RG-KX30" << 0x040E << "Position_4" << "-32767~32767" << true;
    QTest::newRow("KX: I/O position 2") << "RG-KX30" << 0x0408 << "Position_2" << "0~1000" << true;
    QTest::newRow("kx is not KX") << "rg-kx30" << 0x0106 << "Reserve" << "-" << true;
    QTest::newRow("RV77: speed 1") << "AG-RV77" << 0x0407 << "Reserve" << "-" << true;
    QTest::newRow("RV77: speed 4") << "AG-RV77" << 0x0410 << "Reserve" << "-" << true;
    QTest::newRow("RV77: force 1") << "AG-RV77" << 0x0406 << "Force_1" << "20~100" << true;
    QTest::newRow("feedback read-only") << "RG-KX30" << 0x0202 << "Position" << "-" << false;
    QTest::newRow("module: reserved") << "TQP2-51500" << 0x0505 << "Reserve" << "-" << true;
    QTest::newRow("module: home offset") << "TQP2-51500" << 0x0308 << "Home Offset" << "-32768~32768" << true;
    QTest::newRow("module: address rows") << "TQP2-51500" << 0x0405 << "0x0405" << "-" << false;
}

// Through the shipped maps: the rule helper and the built rows agree with the model's rules.
void TestTables::rowRules()
{
    QFETCH(QString, model);
    QFETCH(int, address);
    QFETCH(QString, description);
    QFETCH(QString, range);
    QFETCH(bool, valueEditable);

    build(model);
    QCOMPARE(text(address, 0), QString::number(address & 0xFF));
    QCOMPARE(text(address, 1), description);
    QCOMPARE(text(address, 2), QStringLiteral("0"));
    QCOMPARE(text(address, 3), range);
    QTableWidget *t = table(address >> 8);
    const int row = address & 0xFF;
    QCOMPARE(bool(t->item(row, 2)->flags() & Qt::ItemIsEditable), valueEditable);
    for (int column : { 0, 1, 3 })
        QVERIFY(!(t->item(row, column)->flags() & Qt::ItemIsEditable));
    QCOMPARE(t->rowHeight(row), 35);
}

void TestTables::shippedTabsInEnglish()
{
    build(QStringLiteral("PG-Test"));
    QStringList titles;
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        titles << ui->tabW_register->tabText(i);
    QCOMPARE(titles, QStringList({ "Control(0x0100)", "Feedback(0x0200)", "User Parameters(0x0300)",
                                   "I/O Parameters(0x0400)", "Special Function(0x0500)",
                                   "Gripper Information(0x0a00)" }));

    const QMap<int, int> rows = { { 0x00, 1 }, { 0x01, 10 }, { 0x02, 14 }, { 0x03, 7 },
                                  { 0x04, 17 }, { 0x05, 12 }, { 0x0A, 6 }, { 0x11, 7 },
                                  { 0x12, 13 }, { 0x13, 24 }, { 0x14, 7 }, { 0x15, 4 } };
    QCOMPARE(window->tableTitlesMap().size(), 12);
    QCOMPARE(window->tableAccessLevelsMap().size(), 12);
    window->show();
    for (auto it = rows.cbegin(); it != rows.cend(); ++it) {
        QTableWidget *t = table(it.key());
        QVERIFY2(t, qPrintable(QString::number(it.key(), 16)));
        QCOMPARE(t->rowCount(), it.value());
        const int level = it.key() == 0 ? 1 : it.key() >= 0x11 ? 2 : 0;
        QCOMPARE(window->tableAccessLevelsMap().value(t), level);
        QCOMPARE(ui->tabW_register->indexOf(t) >= 0, level == 0);
        QVERIFY(window->isAncestorOf(t));
        if (level != 0)
            QVERIFY(!t->isVisible());
    }
    QCOMPARE(window->tableTitlesMap().value(table(0x11)), QStringLiteral("Factory Control(0x1100)"));
    QCOMPARE(text(0x1304, 1), QStringLiteral("C1 Ref. Current")); // stored out of order

    QTableWidget *control = table(0x01);
    QCOMPARE(control->columnCount(), 4);
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << control->horizontalHeaderItem(c)->text();
    QCOMPARE(headers, QStringList({ "Offset", "Description", "Value", "Value Range" }));
    const int width = ui->tabW_register->width();
    QCOMPARE(control->columnWidth(0), int(width * 0.15));
    QCOMPARE(control->columnWidth(1), int(width * 0.35));
    QCOMPARE(control->columnWidth(2), int(width * 0.25));
    QVERIFY(control->horizontalHeader()->stretchLastSection());
    QVERIFY(control->verticalHeader()->isHidden());
    QCOMPARE(control->verticalHeader()->defaultSectionSize(), 50);
    QCOMPARE(control->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(control->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(control->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(control->alternatingRowColors());

    // A rebuild for another model replaces the tables and the bookkeeping.
    window->rebuildRegisterTablesForTest(QStringLiteral("TQP2-51500"), QStringLiteral("en_US"));
    QCOMPARE(ui->tabW_register->count(), 6);
    QCOMPARE(window->tableTitlesMap().size(), 12);
    QCOMPARE(table(0x04)->rowCount(), 35);
    QCOMPARE(text(0x0100, 1), QStringLiteral("Home"));
}

void TestTables::titlesInChinese()
{
    build(QStringLiteral("PG-Test"), QStringLiteral("zh_CN"));
    const QStringList addresses = { "(0x0100)", "(0x0200)", "(0x0300)", "(0x0400)", "(0x0500)", "(0x0a00)" };
    QCOMPARE(ui->tabW_register->count(), addresses.size());
    for (int i = 0; i < addresses.size(); ++i) {
        const QString title = ui->tabW_register->tabText(i);
        QVERIFY2(title.endsWith(addresses[i]), qPrintable(title));
        const QString name = title.chopped(addresses[i].size());
        QVERIFY2(std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() >= 0x4E00; }),
                 qPrintable(title));
    }
    QVERIFY(text(0x0101, 1) != QStringLiteral("Force"));
}

void TestTables::pollingIntervals_data()
{
    QTest::addColumn<quint32>("baud");
    QTest::addColumn<int>("factor");
    QTest::newRow("230400") << quint32(230400) << 1;
    QTest::newRow("115200") << quint32(115200) << 1;
    QTest::newRow("19200") << quint32(19200) << 1;
    QTest::newRow("9600") << quint32(9600) << 2;
    QTest::newRow("4800") << quint32(4800) << 3;
}

void TestTables::pollingIntervals()
{
    QFETCH(quint32, baud);
    QFETCH(int, factor);

    QCOMPARE(ReplyDecode::pollingInterval(50, baud), quint16(50 * factor));
    QCOMPARE(ReplyDecode::pollingInterval(30000, 4800), quint16(90000 & 0xFFFF));
    QCOMPARE(ReplyDecode::pollingInterval(300, 0), quint16(300));

    build(QStringLiteral("PG-Test"), QStringLiteral("en_US"), baud);
    const QList<QVector<int>> expected = {
        { 0x0000, 1, 5000 }, { 0x0100, 10, 300 }, { 0x0200, 14, 50 }, { 0x0300, 7, 1000 },
        { 0x0400, 17, 1000 }, { 0x0500, 12, 500 }, { 0x0A00, 6, 5000 }, { 0x1100, 7, 5000 },
        { 0x1200, 13, 3000 }, { 0x1300, 24, 500 }, { 0x1400, 7, 3000 }, { 0x1500, 4, 3000 },
    };
    QCOMPARE(jobs.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(jobs[i], QVector<int>({ expected[i][0], expected[i][1], expected[i][2] * factor }));
}

void TestTables::readOnlyRowsOpenNothing()
{
    build(QStringLiteral("PG-Test"));
    for (int address : { 0x0200, 0x0202, 0x020D, 0x0A00, 0x0A05, 0x0106 }) {
        DialogDriver driver(cancel);
        doubleClick(address);
        QVERIFY2(!driver.seen, qPrintable(QString::number(address, 16)));
    }
    // A row beyond the table is not a register.
    DialogDriver driver(cancel);
    ui->tabW_register->setCurrentWidget(table(0x01));
    window->tablecelldoubleclick(10, 0);
    window->tablecelldoubleclick(-1, 0);
    QVERIFY(!driver.seen);
    QVERIFY(writes.isEmpty());
}

void TestTables::listDialogWritesTheChoice()
{
    build(QStringLiteral("PG-Test"));
    DialogDriver driver(choose(QStringLiteral("26985")));
    doubleClick(0x0000);
    QVERIFY(driver.seen);
    QCOMPARE(driver.items, QStringList({ "0", "15420", "26985", "50115" }));
    QCOMPARE(driver.textValue, QStringLiteral("0")); // first choice preselected
    QVERIFY(!driver.editable);
    QCOMPARE(driver.title, QStringLiteral("Write Register"));
    QCOMPARE(driver.label, QStringLiteral("Input:"));
    QVERIFY(driver.flags & Qt::CustomizeWindowHint);
    QVERIFY(driver.flags & Qt::WindowTitleHint);
    QVERIFY(!(driver.flags & Qt::WindowCloseButtonHint));
    QVERIFY(!(driver.flags & Qt::WindowContextHelpButtonHint));
    QCOMPARE(writes, (QList<QPair<int, quint16>>{ { 0x0000, 26985 } }));
    QCOMPARE(text(0x0000, 2), QStringLiteral("26985"));

    build(QStringLiteral("TQP2-51500"));
    DialogDriver jog(choose(QStringLiteral("-1")));
    doubleClick(0x0107);
    QCOMPARE(writes, (QList<QPair<int, quint16>>{ { 0x0107, 0xFFFF } }));

    // Choices the register cannot hold in its format are not offered.
    table(0x01)->item(3, 3)->setText(QStringLiteral("-1,0,65536,5"));
    DialogDriver unsignedList(cancel);
    doubleClick(0x0103);
    QCOMPARE(unsignedList.items, QStringList({ "0", "5" }));
}

void TestTables::rangeDialogOffersWhatTheFormatHolds_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("minimum");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("entered");
    QTest::addColumn<int>("written");

    // The map allows -32768~32768; 32768 would come back as -32768.
    QTest::newRow("signed, range beyond") << "TQP2-51500" << 0x0308 << -32768 << 32767 << 32768 << 0x7FFF;
    QTest::newRow("signed, negative") << "TQP2-51500" << 0x0308 << -32768 << 32767 << -32768 << 0x8000;
    QTest::newRow("unsigned, full") << "TQP2-51500" << 0x0102 << 0 << 65535 << 65535 << 0xFFFF;
    // Unsigned with a range reaching below zero.
    QTest::newRow("unsigned, range below") << "PG-Test" << 0x0103 << 0 << 32767 << -1 << 0;
    QTest::newRow("signed within") << "PG-Test" << 0x0105 << -32768 << 32767 << -1 << 0xFFFF;
    QTest::newRow("rotary row rule") << "RG-KX30" << 0x040B << -32767 << 32767 << -5 << 0xFFFB;
}

void TestTables::rangeDialogOffersWhatTheFormatHolds()
{
    QFETCH(QString, model);
    QFETCH(int, address);
    QFETCH(int, minimum);
    QFETCH(int, maximum);
    QFETCH(int, entered);
    QFETCH(int, written);

    build(model);
    DialogDriver driver(enterInt(entered));
    doubleClick(address);
    QVERIFY(driver.seen);
    QCOMPARE(driver.minimum, minimum);
    QCOMPARE(driver.maximum, maximum);
    QCOMPARE(writes, (QList<QPair<int, quint16>>{ { address, quint16(written) } }));

    // The next reply shows what the device holds, by format.
    QVector<quint16> values((address & 0xFF) + 1, 0);
    values.last() = quint16(written);
    window->RefreshRegisterValue(reply(address & 0xFF00, values));
    QCOMPARE(ReplyDecode::decimalOrZero(text(address, 2)), qBound(minimum, entered, maximum));
}

void TestTables::cancelWritesNothing()
{
    build(QStringLiteral("PG-Test"));
    {
        DialogDriver driver(cancel);
        doubleClick(0x0104); // Speed, 1~100, cell still "0"
        QVERIFY(driver.seen);
        QCOMPARE(driver.intValue, 1); // clamped into the range
        QCOMPARE(driver.minimum, 1);
        QCOMPARE(driver.maximum, 100);
    }
    {
        table(0x01)->item(1, 2)->setText(QStringLiteral("250"));
        DialogDriver driver(cancel);
        doubleClick(0x0101); // Force, 0~100
        QCOMPARE(driver.intValue, 100);
    }
    {
        DialogDriver driver(cancel);
        doubleClick(0x0303); // BaudRate list
        QVERIFY(driver.seen);
    }
    {
        table(0x03)->item(0, 3)->setText(QStringLiteral("0,,1"));
        DialogDriver driver(choose(QString()));
        doubleClick(0x0300);
        QCOMPARE(driver.items, QStringList({ "0", "", "1" }));
    }
    QVERIFY(writes.isEmpty());
    QCOMPARE(text(0x0104, 2), QStringLiteral("0"));
    QCOMPARE(text(0x0101, 2), QStringLiteral("250"));
    QCOMPARE(text(0x0303, 2), QStringLiteral("0"));
}

QTEST_MAIN(TestTables)
#include "tst_tables.moc"
