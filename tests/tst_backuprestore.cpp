// Backup and restore from the main window's Tools menu over the device simulator: the
// backup file holds the polled values, the summary shows what differs before anything is
// written, the writes go through the polling engine in register order with the save
// command last, and the save reaches the simulator's saved state. A file of another model
// is refused without a write, and so is a summary confirmed after its device went away. A
// full disk leaves the earlier backup as it was.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"
#include "ui_connectionform.h"

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "panels/backuprestore.h"
#include "support/filesizelimit.h"
#include "support/simulator.h"

#include <QDialog>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QTableWidget *tableOf(Ui::MainWindow *ui, const QString &address)
{
    for (int i = 0; i < ui->tabW_register->count(); ++i)
        if (ui->tabW_register->tabText(i).contains(address))
            return qobject_cast<QTableWidget *>(ui->tabW_register->widget(i));
    return nullptr;
}

QString cell(QTableWidget *table, int row)
{
    return table && table->item(row, 2) ? table->item(row, 2)->text() : QString();
}

// The text of the result box the window shows, closing it.
QString takeMessage(QWidget *window)
{
    QMessageBox *box = nullptr;
    const bool shown = QTest::qWaitFor([&] {
        box = window->findChild<QMessageBox *>("parameterMessage");
        return box && box->isVisible();
    }, 20000);
    if (!shown)
        return QString();
    const QString text = box->text();
    box->close();
    const bool gone = QTest::qWaitFor([window] { return !window->findChild<QMessageBox *>("parameterMessage"); }, 2000);
    return gone ? text : QString();
}

} // namespace

class TestBackupRestore : public QObject
{
    Q_OBJECT

private slots:
    void backupAndRestoreFromTheWindow();
    void summaryBelongsToItsDevice();
    void fullDiskKeepsTheEarlierBackup();
};

namespace {

// Connects the window by Auto-Connect to the one port the system lists.
bool connectTo(MainWindow &window, const QString &port, const QString &model)
{
    PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });
    ConnectionForm *connection = window.connectionWindow();
    if (!QTest::qWaitFor([&] { const auto known = connection->knownPorts(); return known.size() == 1 && known.contains(port); }, 5000))
        return false;
    connection->form()->pB_Connect->click();
    return QTest::qWaitFor([&] { return window.isVisible() && window.currentModelName() == model; }, 15000);
}

QDialog *openSummary(MainWindow &window, const QString &file)
{
    window.restoreParametersFrom(file);
    QDialog *summary = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (summary = window.findChild<QDialog *>("restoreSummary")) && summary->isVisible(); }, 10000);
    return shown ? summary : nullptr;
}

} // namespace

void TestBackupRestore::backupAndRestoreFromTheWindow()
{
    QTemporaryDir dir;
    const QString state = dir.filePath("state");
    Simulator sim({"--state", state, "--uid", "ABCD1234"});
    QVERIFY(sim.start());
    const QString port = sim.port();
    PortList::setProvider([port] { return QList<PortEntry>{{port, "USB Serial Port"}}; });

    MainWindow window;
    Ui::MainWindow *ui = window.form();
    ConnectionForm *connection = window.connectionWindow();
    QTRY_VERIFY(connection->knownPorts().contains(port));
    connection->form()->pB_Connect->click();
    QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 15000);
    QTRY_COMPARE(window.currentModelName(), QString("GZB-50W"));
    QTableWidget *io = tableOf(ui, "0x0400");
    QVERIFY(io);
    QTRY_COMPARE_WITH_TIMEOUT(cell(io, 6), QString("100"), 5000);

    const QString file = dir.filePath("gripper.json");
    window.backUpParametersTo(file);
    QVERIFY(window.findChild<QProgressDialog *>("parameterProgress"));
    const QString saved = takeMessage(&window);
    QVERIFY2(saved.contains("24 parameters of GZB-50W (unique ID ABCD1234) were saved"), qPrintable(saved));
    QFile json(file);
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonObject doc = QJsonDocument::fromJson(json.readAll()).object();
    QCOMPARE(doc.value("model").toObject().value("code").toString(), QString("0x2701"));
    QCOMPARE(doc.value("registers").toArray().size(), 24);

    // The device changes: Force_1 60 instead of 100.
    window.pollingThread()->Add_writeregisterList(0x0406, 60);
    QTRY_COMPARE_WITH_TIMEOUT(cell(io, 6), QString("60"), 5000);

    QVector<QPair<int, QVector<quint16>>> writes;
    window.setMultipleWriteObserverForTest(
        [&writes](int address, const QVector<quint16> &values) { writes.append({address, values}); });
    // Through the menu and its file dialog.
    ui->actionRestoreParameters->trigger();
    QFileDialog *chooser = nullptr;
    QTRY_VERIFY((chooser = window.findChild<QFileDialog *>("parameterFileDialog")) && chooser->isVisible());
    chooser->selectFile(file);
    QMetaObject::invokeMethod(chooser, "accept");
    QDialog *summary = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((summary = window.findChild<QDialog *>("restoreSummary")) && summary->isVisible(), 10000);
    QVERIFY(writes.isEmpty());
    auto *table = summary->findChild<QTableWidget *>("restoreSummaryTable");
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 0)->text(), QString("0x0406"));
    QCOMPARE(table->item(0, 2)->text(), QString("60"));
    QCOMPARE(table->item(0, 3)->text(), QString("100"));
    const QString skipped = summary->findChild<QLabel *>("restoreSummarySkipped")->text();
    QVERIFY2(skipped.contains("- a command, not a value: 0x0300 Save, 0x0400 Test I/O parameters")
                 && skipped.contains("- line setting, kept as the device has it: 0x0302 Slave Address, 0x0303"),
             qPrintable(skipped));

    const QString folder = qEnvironmentVariable("GRIVANT_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        summary->grab().save(folder + "/restore-summary.png");
        QMenu *menu = ui->menuTools;
        const QPoint below = ui->menuBar->actionGeometry(menu->menuAction()).bottomLeft();
        menu->popup(ui->menuBar->mapToGlobal(below));
        QTRY_VERIFY(menu->isVisible());
        QPixmap shot = window.grab();
        QPainter painter(&shot);
        painter.drawPixmap(ui->menuBar->mapTo(&window, below), menu->grab());
        painter.end();
        shot.save(folder + "/tools-menu.png");
        menu->close();
    }

    summary->findChild<QPushButton *>("restoreSummaryRestore")->click();
    const QString restored = takeMessage(&window);
    QVERIFY2(restored.contains("18 parameters were written, saved on the device and read back unchanged"),
             qPrintable(restored));
    QTRY_COMPARE_WITH_TIMEOUT(cell(io, 6), QString("100"), 5000);
    QVector<int> order;
    for (const auto &w : writes)
        order << w.first;
    QCOMPARE(order, QVector<int>({0x0301, 0x0306, 0x0401, 0x0300}));
    QCOMPARE(writes.last().second, QVector<quint16>({1}));
    QFile stateFile(state);
    QVERIFY(stateFile.open(QIODevice::ReadOnly));
    QVERIFY(stateFile.readAll().contains("0406 0064"));

    // A file of another model: refused, nothing written.
    QJsonObject other = doc;
    QJsonObject model = other.value("model").toObject();
    model.insert("code", "0x3101");
    model.insert("name", "GZC-80H");
    other.insert("model", model);
    const QString otherFile = dir.filePath("other.json");
    QFile out(otherFile);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(QJsonDocument(other).toJson());
    out.close();
    writes.clear();
    window.restoreParametersFrom(otherFile);
    const QString refused = takeMessage(&window);
    QVERIFY2(refused.contains("Parameters of another model are not restored"), qPrintable(refused));
    QVERIFY(writes.isEmpty());
    QVERIFY(!window.parameterTransfer()->isBusy());

    PortList::setProvider(nullptr);
}

// A restore summary made for a gripper: the gripper goes and a linear module comes before
// Restore is clicked. The summary closes with the connection and nothing reaches the
// module; a summary whose device changed without a disconnection is refused at the click.
void TestBackupRestore::summaryBelongsToItsDevice()
{
    QTemporaryDir dir;
    const QString moduleState = dir.filePath("module-state");
    Simulator gripper({"--uid", "11112222"});
    Simulator module({"--model", "4001", "--uid", "33334444", "--state", moduleState});
    QVERIFY(gripper.start());
    QVERIFY(module.start());
    MainWindow window;
    QVector<int> writes;
    window.setMultipleWriteObserverForTest([&writes](int address, const QVector<quint16> &) { writes << address; });

    QVERIFY(connectTo(window, gripper.port(), "GZB-50W"));
    const QString gripperFile = dir.filePath("gripper.json");
    QTRY_VERIFY_WITH_TIMEOUT(window.parameterTransfer()->infoBlock().size() == 12, 10000);
    window.backUpParametersTo(gripperFile);
    QVERIFY(takeMessage(&window).contains("were saved"));
    QPointer<QDialog> summary = openSummary(window, gripperFile);
    QVERIFY(summary);

    window.form()->actionDisconnect->trigger();
    QTRY_VERIFY(!summary);
    QVERIFY(takeMessage(&window).contains("disconnected before the restore started"));
    QVERIFY(connectTo(window, module.port(), "TQP2-51500"));
    if (summary) // had it stayed open, this would restore the gripper's values to the module
        summary->findChild<QPushButton *>("restoreSummaryRestore")->click();
    QTest::qWait(300);
    QCOMPARE(writes, QVector<int>());
    QVERIFY(!QFile::exists(moduleState));

    // Another unique ID under the same model, reported while the summary is open.
    QTRY_VERIFY_WITH_TIMEOUT(window.parameterTransfer()->infoBlock().size() == 12, 10000);
    const QString moduleFile = dir.filePath("module.json");
    window.backUpParametersTo(moduleFile);
    QVERIFY(takeMessage(&window).contains("were saved"));
    summary = openSummary(window, moduleFile);
    QVERIFY(summary);
    QByteArray other = window.parameterTransfer()->infoBlock();
    other[6] = char(0x55);
    emit window.connectionWindow()->SendGripperInfo(other);
    summary->findChild<QPushButton *>("restoreSummaryRestore")->click();
    const QString refused = takeMessage(&window);
    QVERIFY2(refused.contains("was prepared for TQP2-51500 (unique ID 33334444)"), qPrintable(refused));
    QCOMPARE(writes, QVector<int>());
    QVERIFY(!window.parameterTransfer()->isBusy());
    PortList::setProvider(nullptr);
}

void TestBackupRestore::fullDiskKeepsTheEarlierBackup()
{
    QTemporaryDir dir;
    Simulator sim;
    QVERIFY(sim.start());
    MainWindow window;
    QVERIFY(connectTo(window, sim.port(), "GZB-50W"));
    QTRY_VERIFY_WITH_TIMEOUT(window.parameterTransfer()->infoBlock().size() == 12, 10000);
    const QString file = dir.filePath("backup.json");
    window.backUpParametersTo(file);
    QVERIFY(takeMessage(&window).contains("were saved"));
    QFile earlier(file);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    const QByteArray bytes = earlier.readAll();
    earlier.close();

    QString message;
    {
        const FileSizeLimit fullDisk(1000); // the backup has some 3000 bytes
        window.backUpParametersTo(file);
        message = takeMessage(&window);
    }
    QVERIFY2(message.contains("cannot be written: File too large"), qPrintable(message));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"backup.json"});
    PortList::setProvider(nullptr);
}

QTEST_MAIN(TestBackupRestore)
#include "tst_backuprestore.moc"
