// Backing up the stored parameters of the connected device to a file, and restoring them,
// from the main window's Tools menu. The file format, the plan of writes and the comparison
// are shared with the command-line tool (data/parameterbackup); here the device is reached
// through the polling engine, so nothing waits on the GUI thread.
#include "panels/backuprestore.h"

#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include "data/parameterexport.h"
#include "data/parameterfile.h"
#include "data/vxregisterdatabase.h"
#include "engine/deviceinfo.h"
#include "engine/replydecode.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace ParameterBackup;

namespace {
constexpr int StepTimeoutMs = 8000;
const char *const FileFilter = QT_TRANSLATE_NOOP("MainWindow", "Parameter files (*.json);;All files (*)");

// A file dialog that does not block: the choice arrives through fileSelected.
QFileDialog *parameterFileDialog(QWidget *parent, const QString &title, const QString &name, bool saving)
{
    auto *dialog = new QFileDialog(parent, title, name,
                                   QCoreApplication::translate("MainWindow", FileFilter));
    dialog->setObjectName(QStringLiteral("parameterFileDialog"));
    dialog->setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setDefaultSuffix(QStringLiteral("json"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// ParameterTransfer

ParameterTransfer::ParameterTransfer(WriteFunction write, QObject *parent)
    : QObject(parent), m_write(std::move(write))
{
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(StepTimeoutMs);
    connect(&m_watchdog, &QTimer::timeout, this, &ParameterTransfer::timedOut);
}

void ParameterTransfer::collect(const QMap<int, int> &groupCounts)
{
    m_state = State::Collecting;
    m_groupCounts = groupCounts;
    m_groups.clear();
    m_watchdog.start();
}

void ParameterTransfer::restore(const QVector<Write> &writes, const QMap<int, int> &groupCounts)
{
    m_state = State::Writing;
    m_cancelled = false;
    m_writes = writes;
    m_groupCounts = groupCounts;
    m_nextWrite = 0;
    m_written.clear();
    sendNext();
}

void ParameterTransfer::cancel()
{
    // A write on its way is let finish, so that the report says what the device has.
    if (m_state == State::Writing || m_state == State::Saving)
        m_cancelled = true;
    else if (isBusy())
        fail(tr("cancelled by the operator"));
}

void ParameterTransfer::sendNext()
{
    m_watchdog.start();
    if (m_nextWrite < m_writes.size()) {
        emit writeProgress(m_nextWrite, m_writes.size() + 1);
        const Write &w = m_writes.at(m_nextWrite);
        m_write(w.address, w.values);
        return;
    }
    emit writeProgress(m_writes.size(), m_writes.size() + 1);
    m_state = State::Saving;
    m_write(SaveRegister, {SaveCommand});
}

void ParameterTransfer::takeInfo(QByteArray block)
{
    m_infoBlock = block;
}

void ParameterTransfer::takeReply(QByteArray data)
{
    if (data.size() < 3 || data == QByteArrayLiteral("ok"))
        return;
    const int start = ReplyDecode::startAddress(data);
    const int count = ReplyDecode::valueCount(data);
    if (start == DeviceInfoRegister && count == DeviceInfoCount)
        m_infoBlock = data.mid(3, 2 * DeviceInfoCount);
    if (m_state != State::Collecting && m_state != State::ReadingBack)
        return;
    const int group = start >> 8;
    if ((start & 0xFF) != 0 || m_groupCounts.value(group, -1) != count || data.size() < 3 + 2 * count)
        return;
    QVector<quint16> values;
    for (int i = 0; i < count; ++i)
        values.append(quint16(ReplyDecode::valueAt(data, i)));
    m_groups.insert(group, values);
    if (m_groups.size() < m_groupCounts.size())
        return;

    m_watchdog.stop();
    const State state = m_state;
    m_state = State::Idle;
    if (state == State::Collecting)
        emit collected(m_groups);
    else
        emit restored(m_groups, m_written);
}

void ParameterTransfer::takeWriteResult(int address, QVector<quint16> values, bool answered)
{
    if (m_state == State::Saving && address == SaveRegister && values == QVector<quint16>{SaveCommand}) {
        if (!answered) {
            fail(tr("the device did not answer the save command; the values are written but not saved"));
            return;
        }
        emit writeProgress(m_writes.size() + 1, m_writes.size() + 1);
        m_state = State::ReadingBack;
        m_groups.clear();
        m_watchdog.start();
        if (m_cancelled)
            fail(tr("cancelled by the operator"));
        return;
    }
    if (m_state != State::Writing || m_nextWrite >= m_writes.size())
        return;
    const Write &w = m_writes.at(m_nextWrite);
    if (address != w.address || values != w.values)
        return; // a write of another panel
    if (!answered) {
        fail(tr("the device did not answer the write of %1").arg(addressText(w.address)));
        return;
    }
    for (int a = w.address; a <= w.last(); ++a)
        m_written.append(a);
    ++m_nextWrite;
    if (m_cancelled)
        fail(tr("cancelled by the operator"));
    else
        sendNext();
}

void ParameterTransfer::takeConnectionState(int state)
{
    if (state != 3)
        return;
    // The next device brings its own identification.
    m_infoBlock.clear();
    if (isBusy())
        fail(tr("the connection was closed"));
}

void ParameterTransfer::timedOut()
{
    fail(m_state == State::Collecting || m_state == State::ReadingBack
             ? tr("the device stopped answering while its parameters were read")
             : tr("the device stopped answering"));
}

void ParameterTransfer::fail(const QString &reason)
{
    m_watchdog.stop();
    const bool saved = m_state == State::ReadingBack;
    QVector<int> notWritten;
    if (m_state == State::Writing || m_state == State::Saving) {
        for (int i = m_nextWrite; i < m_writes.size(); ++i)
            for (int a = m_writes.at(i).address; a <= m_writes.at(i).last(); ++a)
                notWritten.append(a);
    }
    m_state = State::Idle;
    emit failed(reason, m_written, notWritten, saved);
}

// ---------------------------------------------------------------------------------------------
// MainWindow: the Tools menu

void MainWindow::initBackupRestore()
{
    m_parameterTransfer = new ParameterTransfer(
        [this](int address, const QVector<quint16> &values) { queueRegistersWrite(address, values); }, this);
    connect(m_connectionForm, &ConnectionForm::SendGripperInfo, m_parameterTransfer, &ParameterTransfer::takeInfo);
    connect(m_connectionForm, &ConnectionForm::SendReceviedData, m_parameterTransfer, &ParameterTransfer::takeReply);
    connect(m_connectionForm, &ConnectionForm::SendConnectiomState, m_parameterTransfer,
            &ParameterTransfer::takeConnectionState);
    connect(m_vxCtl, &VX_Ctl::WriteFinished, m_parameterTransfer, &ParameterTransfer::takeWriteResult);
    // A summary made for one device must not be confirmed for the next one.
    connect(m_connectionForm, &ConnectionForm::SendConnectiomState, this, [this](int state) {
        if (state == 3 && m_restoreSummary)
            closeRestoreSummary();
    });
}

void MainWindow::closeRestoreSummary()
{
    // The link reports the closing state twice: one notice is enough.
    QDialog *summary = m_restoreSummary;
    m_restoreSummary = nullptr;
    summary->disconnect(this);
    summary->reject();
    showParameterMessage(QMessageBox::Warning, tr("Restore parameters"),
                         tr("The device was disconnected before the restore started. Nothing was written."));
}

bool MainWindow::parameterToolsReady(const QString &title)
{
    const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
    QString why;
    if (m_currentModelName.isEmpty() || !map || m_parameterTransfer->infoBlock().size() < 2 * DeviceInfoCount)
        why = tr("No device is connected.");
    else if (m_parameterTransfer->isBusy())
        why = tr("Parameters are being transferred; wait until that has finished.");
    if (why.isEmpty())
        return true;
    showParameterMessage(QMessageBox::Information, title, why);
    return false;
}

QMap<int, int> MainWindow::storedGroupCounts() const
{
    QMap<int, int> counts;
    const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
    for (int group : storedGroups())
        if (map && map->groupRegisterCounts.value(group) > 0)
            counts.insert(group, map->groupRegisterCounts.value(group));
    return counts;
}

void MainWindow::showParameterMessage(int icon, const QString &title, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Icon(icon), title, text, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("parameterMessage"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MainWindow::showParameterProgress(const QString &label, int maximum)
{
    delete m_parameterProgress;
    m_parameterProgress = new QProgressDialog(label, tr("Cancel"), 0, maximum, this);
    m_parameterProgress->setObjectName(QStringLiteral("parameterProgress"));
    m_parameterProgress->setWindowTitle(tr("Parameters"));
    m_parameterProgress->setMinimumDuration(0);
    m_parameterProgress->setAutoClose(false);
    m_parameterProgress->setAutoReset(false);
    m_parameterProgress->setValue(0);
    connect(m_parameterProgress, &QProgressDialog::canceled, m_parameterTransfer, &ParameterTransfer::cancel);
    m_parameterProgress->open();
}

void MainWindow::closeParameterProgress()
{
    if (m_parameterProgress) {
        m_parameterProgress->disconnect(m_parameterTransfer);
        m_parameterProgress->deleteLater();
        m_parameterProgress = nullptr;
    }
}

void MainWindow::on_actionBackupParameters_triggered()
{
    const QString title = tr("Back up parameters");
    if (!parameterToolsReady(title))
        return;
    const DeviceInfo info = DeviceInfo::fromBlock(m_parameterTransfer->infoBlock());
    auto *dialog = parameterFileDialog(
        this, title, ParameterExport::fileName(m_currentModelName, info.uniqueId, QStringLiteral("json")), true);
    connect(dialog, &QFileDialog::fileSelected, this, &MainWindow::backUpParametersTo);
    dialog->open();
}

void MainWindow::backUpParametersTo(const QString &path)
{
    const QString title = tr("Back up parameters");
    if (!parameterToolsReady(title))
        return;
    showParameterProgress(tr("Reading the parameters from the device…"), 0);
    auto *once = new QObject(this);
    const auto finish = [this, once] {
        closeParameterProgress();
        m_parameterTransfer->disconnect(once);
        once->deleteLater();
    };
    connect(m_parameterTransfer, &ParameterTransfer::collected, once,
            [this, path, title, finish](const ParameterTransfer::Groups &groups) {
                finish();
                const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
                if (!map)
                    return;
                Document doc = newDocument(m_parameterTransfer->infoBlock(), m_currentModelName,
                                           QDateTime::currentDateTimeUtc());
                for (auto g = groups.cbegin(); g != groups.cend(); ++g)
                    addGroup(&doc, *map, g.key(), g.value());
                QString why;
                if (!ParameterFile::write(path, toJson(doc), &why)) {
                    showParameterMessage(QMessageBox::Warning, title,
                                         tr("The file %1 cannot be written: %2").arg(path, why));
                    return;
                }
                showParameterMessage(QMessageBox::Information, title,
                                     tr("%1 parameters of %2 (unique ID %3) were saved to %4.")
                                         .arg(doc.registers.size())
                                         .arg(doc.modelName, doc.uniqueId, path));
            });
    connect(m_parameterTransfer, &ParameterTransfer::failed, once, [this, title, finish](const QString &reason) {
        finish();
        showParameterMessage(QMessageBox::Warning, title, tr("No backup was made: %1.").arg(reason));
    });
    m_parameterTransfer->collect(storedGroupCounts());
}

void MainWindow::on_actionRestoreParameters_triggered()
{
    const QString title = tr("Restore parameters");
    if (!parameterToolsReady(title))
        return;
    auto *dialog = parameterFileDialog(this, title, QString(), false);
    connect(dialog, &QFileDialog::fileSelected, this, &MainWindow::restoreParametersFrom);
    dialog->open();
}

void MainWindow::restoreParametersFrom(const QString &path)
{
    const QString title = tr("Restore parameters");
    if (!parameterToolsReady(title))
        return;
    const RegisterMap *map = m_registerDb->registerMap();

    // Only a regular file of a parameter file's size is read, so this cannot hold the
    // window (a FIFO is not waited on, /dev/zero not read).
    Document doc;
    QString error;
    QByteArray content;
    if (ParameterFile::read(path, &content, &error))
        fromJson(content, &doc, &error);
    if (!error.isEmpty()) {
        showParameterMessage(QMessageBox::Warning, title,
                             tr("%1 cannot be restored: %2. Nothing was written.").arg(path, error));
        return;
    }
    const QByteArray info = m_parameterTransfer->infoBlock();
    const quint16 code = quint16((quint8(info.at(0)) << 8) | quint8(info.at(1)));
    if (!sameFamily(doc.modelCode, code)) {
        showParameterMessage(QMessageBox::Warning, title,
                             tr("The file holds the parameters of %1 (model code %2), the connected device is "
                                "%3 (model code %4). Parameters of another model are not restored; nothing "
                                "was written.")
                                 .arg(doc.modelName, doc.modelCodeText(), m_currentModelName,
                                      newDocument(info, QString(), QDateTime()).modelCodeText()));
        return;
    }
    const Plan plan = makePlan(doc, *map, false);
    if (!plan.errors.isEmpty() || plan.isEmpty()) {
        showParameterMessage(QMessageBox::Warning, title,
                             plan.isEmpty() ? tr("The file holds no parameter this device stores. Nothing was written.")
                                            : tr("The register map refuses values of the file; nothing was written:\n%1")
                                                  .arg(plan.errors.join(QLatin1Char('\n'))));
        return;
    }

    showParameterProgress(tr("Reading the parameters from the device…"), 0);
    auto *once = new QObject(this);
    connect(m_parameterTransfer, &ParameterTransfer::collected, once,
            [this, once, path, doc, plan](const ParameterTransfer::Groups &groups) {
                closeParameterProgress();
                m_parameterTransfer->disconnect(once);
                once->deleteLater();
                showRestoreSummary(path, doc, plan, groups);
            });
    connect(m_parameterTransfer, &ParameterTransfer::failed, once, [this, once, title](const QString &reason) {
        closeParameterProgress();
        m_parameterTransfer->disconnect(once);
        once->deleteLater();
        showParameterMessage(QMessageBox::Warning, title, tr("Nothing was written: %1.").arg(reason));
    });
    m_parameterTransfer->collect(storedGroupCounts());
}

// What differs between the device and the file, before anything is written.
void MainWindow::showRestoreSummary(const QString &path, const Document &doc, const Plan &plan,
                                    const QMap<int, QVector<quint16>> &current)
{
    const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
    if (!map)
        return;
    QMap<int, int> values;
    for (auto g = current.cbegin(); g != current.cend(); ++g)
        for (const Entry &e : groupEntries(*map, g.key(), g.value()))
            values.insert(e.address, e.value);
    const QVector<Difference> differences = compare(plan.entries, values);
    QVector<Entry> keptLine;
    for (const Skipped &s : plan.skipped)
        if (isLineSetting(s.entry.address) && values.contains(s.entry.address)
            && values.value(s.entry.address) != s.entry.value)
            keptLine.append(s.entry);

    auto *dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("restoreSummary"));
    dialog->setWindowTitle(tr("Restore parameters"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(dialog);
    const QString saved = doc.time.isValid() ? QLocale().toString(doc.time.toLocalTime(), QLocale::ShortFormat)
                                             : tr("an unknown time");
    auto *intro = new QLabel(tr("File %1\nSaved from %2, unique ID %3, at %4.")
                                 .arg(path, doc.modelName, doc.uniqueId.isEmpty() ? tr("unknown") : doc.uniqueId, saved),
                             dialog);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    auto *count = new QLabel(differences.isEmpty()
                                 ? tr("The device already holds the %1 parameters that the restore writes.")
                                       .arg(plan.entries.size())
                                 : tr("%1 of the %2 parameters that the restore writes differ from the device:")
                                       .arg(differences.size())
                                       .arg(plan.entries.size()),
                             dialog);
    count->setObjectName(QStringLiteral("restoreSummaryCount"));
    layout->addWidget(count);

    if (!differences.isEmpty()) {
        auto *table = new QTableWidget(differences.size(), 4, dialog);
        table->setObjectName(QStringLiteral("restoreSummaryTable"));
        table->setHorizontalHeaderLabels({tr("Address"), tr("Name"), tr("Device"), tr("File")});
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
        for (int row = 0; row < differences.size(); ++row) {
            const Difference &d = differences.at(row);
            const QStringList cells = {addressText(d.address), d.name, QString::number(d.actual),
                                       QString::number(d.expected)};
            for (int c = 0; c < cells.size(); ++c)
                table->setItem(row, c, new QTableWidgetItem(cells.at(c)));
        }
        table->resizeColumnToContents(0);
        table->resizeColumnToContents(2);
        table->resizeColumnToContents(3);
        table->setMinimumWidth(520);
        layout->addWidget(table);
    }
    QStringList notes;
    // Every register of the file that is left alone is named, by reason.
    if (!plan.skipped.isEmpty()) {
        QStringList reasons;
        QMap<QString, QStringList> names;
        for (const Skipped &k : plan.skipped) {
            const QString address = addressText(k.entry.address);
            if (!reasons.contains(k.reason))
                reasons << k.reason;
            names[k.reason] << (k.entry.name.isEmpty() || k.entry.name == address
                                    ? address
                                    : QStringLiteral("%1 %2").arg(address, k.entry.name));
        }
        QStringList lines{tr("Not written, %1 of the file's registers:").arg(plan.skipped.size())};
        for (const QString &reason : reasons)
            lines << tr("- %1: %2").arg(reason, names.value(reason).join(QStringLiteral(", ")));
        auto *list = new QLabel(lines.join(QLatin1Char('\n')), dialog);
        list->setObjectName(QStringLiteral("restoreSummarySkipped"));
        list->setWordWrap(true);
        list->setTextFormat(Qt::PlainText);
        layout->addWidget(list);
    }
    if (!keptLine.isEmpty())
        notes << tr("The line settings (slave ID, baud rate, stop bits, parity) are not restored: the device "
                    "keeps its own, so that it stays reachable. Change them on the Modbus-RTU Parameters tab.");
    notes << tr("Restoring writes the %1 parameters of the file and saves them on the device.").arg(plan.entries.size());
    auto *note = new QLabel(notes.join(QLatin1Char('\n')), dialog);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, dialog);
    QPushButton *restore = buttons->addButton(tr("Restore"), QDialogButtonBox::AcceptRole);
    restore->setObjectName(QStringLiteral("restoreSummaryRestore"));
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    const QByteArray madeFor = m_parameterTransfer->infoBlock();
    const QString modelName = m_currentModelName;
    connect(dialog, &QDialog::accepted, this, [this, plan, madeFor, modelName] { startRestore(plan, madeFor, modelName); });
    m_restoreSummary = dialog;
    dialog->open();
}

void MainWindow::startRestore(const Plan &plan, const QByteArray &madeFor, const QString &modelName)
{
    const QString title = tr("Restore parameters");
    if (!parameterToolsReady(title))
        return;
    // Checked again now: between the summary and this click another device may have come.
    const QByteArray now = m_parameterTransfer->infoBlock();
    const Document then = newDocument(madeFor, modelName, QDateTime());
    const Document current = newDocument(now, m_currentModelName, QDateTime());
    if (current.modelCode != then.modelCode || current.uniqueId != then.uniqueId || modelName != m_currentModelName) {
        showParameterMessage(QMessageBox::Warning, title,
                             tr("The restore was prepared for %1 (unique ID %2), but the connected device is %3 "
                                "(unique ID %4). Nothing was written.")
                                 .arg(then.modelName, then.uniqueId, current.modelName, current.uniqueId));
        return;
    }
    showParameterProgress(tr("Writing the parameters…"), plan.writes.size() + 1);
    auto *once = new QObject(this);
    connect(m_parameterTransfer, &ParameterTransfer::writeProgress, once, [this](int done, int total) {
        if (m_parameterProgress) {
            m_parameterProgress->setMaximum(total);
            m_parameterProgress->setValue(done);
            if (done == total)
                m_parameterProgress->setLabelText(tr("Reading the parameters back…"));
        }
    });
    connect(m_parameterTransfer, &ParameterTransfer::restored, once,
            [this, once, plan, title](const ParameterTransfer::Groups &readBack) {
                closeParameterProgress();
                m_parameterTransfer->disconnect(once);
                once->deleteLater();
                // The parameter tabs show the device's values again.
                m_parametersLoaded = false;
                const RegisterMap *map = m_registerDb ? m_registerDb->registerMap() : nullptr;
                QMap<int, int> values;
                for (auto g = readBack.cbegin(); map && g != readBack.cend(); ++g)
                    for (const Entry &e : groupEntries(*map, g.key(), g.value()))
                        values.insert(e.address, e.value);
                const QVector<Difference> differences = compare(plan.entries, values);
                if (differences.isEmpty()) {
                    showParameterMessage(QMessageBox::Information, title,
                                         tr("%1 parameters were written, saved on the device and read back "
                                            "unchanged.").arg(plan.entries.size()));
                    return;
                }
                QStringList lines;
                for (const Difference &d : differences)
                    lines << tr("%1 %2: file %3, device %4")
                                 .arg(addressText(d.address), d.name, QString::number(d.expected),
                                      QString::number(d.actual));
                showParameterMessage(QMessageBox::Warning, title,
                                     tr("The parameters were written and saved, but %1 differ from the file when "
                                        "read back:\n%2").arg(differences.size()).arg(lines.join(QLatin1Char('\n'))));
            });
    connect(m_parameterTransfer, &ParameterTransfer::failed, once,
            [this, once, title](const QString &reason, const QVector<int> &written, const QVector<int> &notWritten,
                                bool saved) {
                closeParameterProgress();
                m_parameterTransfer->disconnect(once);
                once->deleteLater();
                m_parametersLoaded = false;
                QString text = tr("The restore stopped: %1.").arg(reason);
                text += QLatin1Char('\n') + tr("Written: %1")
                            .arg(written.isEmpty() ? tr("nothing") : addressRanges(written));
                if (!notWritten.isEmpty())
                    text += QLatin1Char('\n') + tr("Not written: %1").arg(addressRanges(notWritten));
                text += QLatin1Char('\n') + (saved ? tr("The values were saved on the device.")
                                                   : tr("Nothing was saved on the device."));
                showParameterMessage(QMessageBox::Critical, title, text);
            });
    m_parameterTransfer->restore(plan.writes, storedGroupCounts());
}
