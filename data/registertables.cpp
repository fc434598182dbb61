#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/registermap.h"
#include "data/valuerange.h"
#include "data/vxregisterdatabase.h"
#include "engine/replydecode.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QTableWidget>
#include <QTableWidgetItem>

namespace {

constexpr int ColumnOffset = 0;
constexpr int ColumnDescription = 1;
constexpr int ColumnValue = 2;
constexpr int ColumnRange = 3;

QTableWidgetItem *fixedItem(const QString &text, bool editable)
{
    auto *item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

} // namespace

quint32 MainWindow::gripperBaudRate() const
{
    if (m_baudRateForTest != 0)
        return m_baudRateForTest;
    if (m_connectionForm)
        return m_connectionForm->GetGripperBaudRate();
    return 115200;
}

void MainWindow::queueRegisterWrite(int address, quint16 value)
{
    if (m_registerWriteObserver)
        m_registerWriteObserver(address, value);
    if (m_vxCtl)
        m_vxCtl->Add_writeregisterList(address, value);
}

void MainWindow::queueRegistersWrite(int address, const QVector<quint16> &values)
{
    if (m_multipleWriteObserver)
        m_multipleWriteObserver(address, values);
    if (m_vxCtl)
        m_vxCtl->Add_writeMutipregisterList(address, values);
}

// One table per register group, in ascending group number; every group also becomes a
// polling job, and the groups without an access level appear as tabs at once.
void MainWindow::buildRegisterTables()
{
    const RegisterMap *map = activeRegisterMap();
    if (!map)
        return;

    // Tables of an earlier build that identification has taken out of the bookkeeping
    // are no longer reachable: let them go.
    for (auto it = m_tableGroups.begin(); it != m_tableGroups.end();) {
        if (tableTitles.contains(it.key())) {
            ++it;
        } else {
            it.key()->deleteLater();
            it = m_tableGroups.erase(it);
        }
    }

    const int width = ui->tabW_register->width();
    const quint32 baudRate = gripperBaudRate();
    const QString reserve = tr("Reserve");
    const QStringList headers = { tr("Offset"), tr("Description"), tr("Value"), tr("Value Range") };

    for (auto group = map->groupNames.cbegin(); group != map->groupNames.cend(); ++group) {
        const int groupNumber = group.key();
        int baseAddress = 0;
        if (!registerAddress(groupNumber, 0, &baseAddress))
            continue;
        // A group holds at most one register per offset byte, whatever its count says.
        const int registerCount =
            qBound(0, map->groupRegisterCounts.value(groupNumber, 0), RegistersPerGroup);
        const int accessLevel = map->groupAccessLevels.value(groupNumber, 0);
        const QString title = ReplyDecode::tabTitle(group.value(), baseAddress);

        auto *table = new QTableWidget(this);
        table->setColumnCount(4);
        table->setColumnWidth(ColumnOffset, int(width * 0.15));
        table->setColumnWidth(ColumnDescription, int(width * 0.35));
        table->setColumnWidth(ColumnValue, int(width * 0.25));
        table->setColumnWidth(ColumnRange, int(width * 0.15));
        table->horizontalHeader()->setStretchLastSection(true);
        table->verticalHeader()->setDefaultSectionSize(50);
        table->verticalHeader()->hide();
        table->setHorizontalHeaderLabels(headers);
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setSelectionMode(QAbstractItemView::SingleSelection);
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->setAlternatingRowColors(true);
        table->setRowCount(registerCount);
        connect(table, SIGNAL(cellDoubleClicked(int,int)), this, SLOT(tablecelldoubleclick(int,int)));

        for (int row = 0; row < registerCount; ++row) {
            int address = 0;
            registerAddress(groupNumber, row, &address);
            // A register missing from its group's table is shown read-only.
            const QString storedRange = map->registerValueRanges.value(address, QStringLiteral("-"));
            const ReplyDecode::RowTexts texts = ReplyDecode::rowTexts(
                m_currentModelName, address, map->registerDescriptions.value(address), storedRange,
                map->registerProtocolVersions.value(address), reserve);

            table->setRowHeight(row, 35);
            table->setItem(row, ColumnOffset, fixedItem(QString::number(row), false));
            table->setItem(row, ColumnDescription, fixedItem(texts.description, false));
            table->setItem(row, ColumnValue, fixedItem(QStringLiteral("0"), texts.valueEditable));
            table->setItem(row, ColumnRange, fixedItem(texts.shownRange, false));
        }

        const quint16 count = ReplyDecode::truncate16(registerCount);
        const quint16 interval =
            ReplyDecode::pollingInterval(map->groupScanRates.value(groupNumber, 0), baudRate);
        if (m_pollingJobObserver)
            m_pollingJobObserver(baseAddress, count, interval);
        if (m_vxCtl)
            m_vxCtl->Add_readregisterList(baseAddress, count, interval);

        // Tables held back for higher user levels stay out of sight until they get a tab.
        if (accessLevel == 0)
            ui->tabW_register->addTab(table, title);
        else
            table->hide();
        tableAccessLevels.insert(table, accessLevel);
        tableTitles.insert(table, title);
        m_tableGroups.insert(table, groupNumber);
    }
}

// A double-click anywhere in a row of the shown table offers a new value for its register:
// an integer dialog for a "min~max" range, a choice for a list, nothing for "-".
void MainWindow::tablecelldoubleclick(int row, int column)
{
    Q_UNUSED(column)
    if (isReplaying())
        return;
    auto *table = qobject_cast<QTableWidget *>(ui->tabW_register->currentWidget());
    if (!table || !m_tableGroups.contains(table))
        return;
    QTableWidgetItem *valueItem = table->item(row, ColumnValue);
    QTableWidgetItem *rangeItem = table->item(row, ColumnRange);
    if (!valueItem || !rangeItem)
        return;

    int address = 0;
    if (!registerAddress(m_tableGroups.value(table), row, &address))
        return;
    const QString range = rangeItem->text();
    if (range == QLatin1String("-"))
        return;

    const int current = ReplyDecode::decimalOrZero(valueItem->text());
    const Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    bool ok = false;
    // Only what the register holds in its format is offered: 32768 written to a signed
    // register would come back as -32768.
    const RegisterMap *map = activeRegisterMap();
    const QString format = map ? map->registerFormats.value(address) : QString();

    if (!ReplyDecode::isChoiceList(range)) {
        const ReplyDecode::RangeBounds bounds = ReplyDecode::rangeBounds(range);
        ValueRange offered;
        offered.kind = ValueRange::Interval;
        offered.minimum = bounds.minimum;
        offered.maximum = bounds.maximum;
        offered = cutToFormat(offered, format);
        if (!offered.isValid())
            return;
        const int value = QInputDialog::getInt(this, tr("Write Register"), tr("Input:"), current,
                                               offered.minimum, offered.maximum, 1, &ok, flags);
        if (!ok)
            return;
        valueItem->setText(QString::number(value));
        queueRegisterWrite(address, ReplyDecode::truncate16(value));
        return;
    }

    const ValueRange held = formatRange(format);
    QStringList choices;
    for (const QString &choice : ReplyDecode::rangeChoices(range)) {
        bool number = false;
        const int value = choice.toInt(&number, 10);
        if (!number || held.accepts(value))
            choices.append(choice);
    }
    const QString choice = QInputDialog::getItem(this, tr("Write Register"), tr("Input:"), choices,
                                                 0, false, &ok, flags);
    if (!ok || choice.isEmpty())
        return;
    valueItem->setText(choice);
    queueRegisterWrite(address, ReplyDecode::truncate16(ReplyDecode::decimalOrZero(choice)));
}

// Rebuilds the tables as identification does for a new model, without a device.
void MainWindow::rebuildRegisterTablesForTest(const QString &modelName, const QString &language)
{
    if (m_vxCtl)
        m_vxCtl->ClearReadList();
    while (ui->tabW_register->count() > 0)
        ui->tabW_register->removeTab(0);
    tableTitles.clear();
    tableAccessLevels.clear();
    m_currentModelName = modelName;
    m_language = language;
    initRegistersDb();
}
