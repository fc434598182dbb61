// Replaying a recorded session in the window, without a port: the recorded answers and
// identification blocks go through the window's own reply dispatch and identification, at
// the moment of the recording the timeline stands at. Nothing can be written: the controls
// that would write are disabled with a tooltip, and the polling engine refuses writes.
#include "app/mainwindow.h"
#include "app/plaintext.h"
#include "ui_mainwindow.h"

#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"
#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/traffic.h"
#include "link/trafficmonitor.h"
#include "panels/replaytimeline.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

#include "qcustomplot.h"

namespace {
constexpr int TickMs = 40;
// Curves hold ten seconds: a moment is shown with the answers of the ten seconds before it.
constexpr qint64 CurveUs = 10000000;
// Further than this ahead, the state is built anew rather than played through.
constexpr qint64 PlayThroughUs = 15000000;
// Frames the traffic monitor is given of the time before a moment it jumps to.
constexpr int MonitorHistory = 2000;

// A notice in the part of the status bar the timeline leaves, cut with an ellipsis where it
// is longer (the whole of it in the bar's tooltip), so that it never runs into the timeline.
void showReplayMessage(QStatusBar *bar, const QWidget *timeline, const QString &text, int ms)
{
    const int room = bar->width() - timeline->width() - 24;
    const QString shown = bar->fontMetrics().elidedText(text, Qt::ElideRight, qMax(40, room));
    bar->setToolTip(shown == text ? QString() : text);
    bar->showMessage(shown, ms);
}
} // namespace

struct MainWindow::Replay
{
    QString path;
    SessionData data;
    std::unique_ptr<SessionIndex> index;
    ReplayClock clock;
    QElapsedTimer wall;
    qint64 shown = 0;
    qint64 nowMs = 0;
    bool ownMap = false;
    QTimer *tick = nullptr;
    ReplayTimeline *timeline = nullptr;
    QHash<QObject *, QString> tooltips; // what the locked widgets said before
    QList<QPointer<QWidget>> locked;
    QList<QPointer<QAction>> lockedActions;

    qint64 wallUs() const { return wall.nsecsElapsed() / 1000; }
};

void MainWindow::initSessionReplay()
{
    m_openSessionAction = new QAction(this);
    m_openSessionAction->setObjectName(QStringLiteral("actionOpenSession"));
    ui->menuTools->addAction(m_openSessionAction);
    connect(m_openSessionAction, &QAction::triggered, this, &MainWindow::openSessionChosen);
    // The connection window is what the operator sees without a device: the expert opens a
    // session from there.
    m_connectionSessionMenu = new QMenu(m_connectionForm->menuBar());
    m_connectionForm->addMenuBeforeHelp(m_connectionSessionMenu);
    m_connectionSessionMenu->setObjectName(QStringLiteral("menuSession"));
    m_connectionOpenAction = m_connectionSessionMenu->addAction(QString());
    m_connectionOpenAction->setObjectName(QStringLiteral("actionOpenSession"));
    connect(m_connectionOpenAction, &QAction::triggered, this, &MainWindow::openSessionChosen);
    retranslateSessionReplay();
}

void MainWindow::retranslateSessionReplay()
{
    if (!m_openSessionAction)
        return;
    m_openSessionAction->setText(tr("Open session..."));
    m_connectionSessionMenu->setTitle(tr("Session"));
    m_connectionOpenAction->setText(tr("Open session..."));
    if (m_replay)
        m_replay->timeline->retranslate();
}

const RegisterMap *MainWindow::activeRegisterMap()
{
    if (m_replay && m_replay->ownMap)
        return &m_replay->data.map;
    return m_registerDb ? m_registerDb->registerMap() : nullptr;
}

bool MainWindow::replayUsesOwnMap() const
{
    return m_replay && m_replay->ownMap;
}

QString MainWindow::replayModelName(const QString &knownName) const
{
    if (!m_replay || !knownName.isEmpty())
        return knownName;
    return m_replay->data.header.modelName;
}

void MainWindow::openSessionChosen()
{
    const QString path = QFileDialog::getOpenFileName(
        isVisible() ? static_cast<QWidget *>(this) : m_connectionForm, tr("Open session"), QString(),
        tr("Grivant sessions (*%1);;All files (*)").arg(QLatin1String(SessionFormat::Suffix)));
    if (path.isEmpty())
        return;
    QString error;
    if (!openSession(path, &error) && !error.isEmpty())
        PlainText::message(isVisible() ? static_cast<QWidget *>(this) : m_connectionForm, QMessageBox::Warning,
                           tr("Open session"), error);
}

// An hour of recording takes a second or two to read: the read runs on a thread of its own
// while a busy dialog, modal to the whole program, keeps the windows painted and input out.
// Its Cancel stops the read at once; the operator is then told nothing more. So does the
// program's end (a signal, a logout) while it reads: the loop below then ends before the
// read does, and the session is not opened.
bool MainWindow::readSessionAside(const QString &path, SessionData *data, QString *error)
{
    bool ok = false;
    bool finished = false;
    std::atomic_bool stop{false};
    const std::unique_ptr<QThread> reader(QThread::create([&] { ok = readSession(path, data, error, &stop); }));
    QProgressDialog busy(tr("Opening %1\u2026").arg(QFileInfo(path).fileName()), tr("Cancel"), 0, 0,
                         isVisible() ? static_cast<QWidget *>(this) : m_connectionForm);
    // The file's name as it is written (see PlainText).
    auto *label = new QLabel(busy.labelText());
    label->setTextFormat(Qt::PlainText);
    busy.setLabel(label);
    busy.setWindowModality(Qt::ApplicationModal);
    busy.setMinimumDuration(300);
    // The dialog shows itself once that time has passed from its first value.
    busy.setValue(0);
    connect(&busy, &QProgressDialog::canceled, &busy, [&stop] { stop = true; });
    QEventLoop loop;
    connect(reader.get(), &QThread::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    reader->start();
    loop.exec();
    if (!finished)
        stop = true;
    reader->wait();
    if (stop)
        error->clear();
    return ok && !stop;
}

bool MainWindow::openSession(const QString &path, QString *error)
{
    auto replay = std::make_unique<Replay>();
    if (!readSessionAside(path, &replay->data, error))
        return false;
    // Nothing of a live connection stays: the replay has the window to itself.
    stopRecording();
    closeSession();
    m_connectionForm->ComPort_Disconnect();

    replay->path = path;
    replay->index = std::make_unique<SessionIndex>(&replay->data);
    const QByteArray ident = replay->index->identAt(0);
    const QString key = ident.size() >= 2 ? modelKey(quint8(ident.at(0)), quint8(ident.at(1))) : QString();
    const ModelMap *models = m_modelDb ? m_modelDb->modelMap() : nullptr;
    const bool known = models && !models->modelNames.value(key).isEmpty();
    replay->ownMap = !known && replay->data.hasMap;
    if (!known)
        replay->data.remarks.prepend(
            tr("This build does not know the model %1 (key %2): the session is replayed with the register "
               "tables it holds.").arg(replay->data.header.modelName, key));
    replay->clock.setDuration(replay->data.durationUs);
    replay->wall.start();
    m_replay = replay.release();

    m_vxCtl->setWritesRefused(true);
    m_plotClock = [this] { return m_replay ? m_replay->nowMs : 0; };

    // The timeline shares the status bar with the file's name and the notices, and its jump
    // buttons the menu bar's row: the content keeps all the height it has for a device.
    m_replay->timeline = new ReplayTimeline;
    m_replay->timeline->setFileName(QFileInfo(path).fileName());
    m_replay->timeline->setDuration(m_replay->data.durationUs);
    if (m_ownershipLabel)
        m_ownershipLabel->hide();
    ui->statusBar->addWidget(m_replay->timeline->fileLabel(), 1);
    ui->statusBar->addPermanentWidget(m_replay->timeline, 1);
    m_replay->timeline->fileLabel()->show();
    m_replay->timeline->show();
    ui->menuBar->setCornerWidget(m_replay->timeline->jumpButtons());
    m_replay->timeline->jumpButtons()->show();
    connect(m_replay->timeline, &ReplayTimeline::playToggled, this, [this](bool play) {
        if (play)
            m_replay->clock.play(m_replay->wallUs());
        else
            m_replay->clock.pause(m_replay->wallUs());
        m_replay->timeline->setPlaying(m_replay->clock.isPlaying());
        replayTick();
    });
    connect(m_replay->timeline, &ReplayTimeline::speedChosen, this,
            [this](int speed) { m_replay->clock.setSpeed(speed, m_replay->wallUs()); });
    connect(m_replay->timeline, &ReplayTimeline::seekRequested, this, &MainWindow::replaySeek);
    connect(m_replay->timeline, &ReplayTimeline::jumpRequested, this, [this](ReplayTimeline::Jump jump) {
        const auto mark = jump == ReplayTimeline::Jump::Error ? SessionIndex::Mark::Error
                          : jump == ReplayTimeline::Jump::Write ? SessionIndex::Mark::Write
                                                                : SessionIndex::Mark::Notice;
        const qint64 at = m_replay->index->next(mark, m_replay->shown);
        if (at < 0)
            showReplayMessage(ui->statusBar, m_replay->timeline, tr("Nothing more of that kind in this session."),
                              5000);
        else
            replaySeek(at);
    });
    connect(m_replay->timeline, &ReplayTimeline::closeRequested, this, [this] {
        closeSession();
        hide();
        m_connectionForm->show();
    });
    m_replay->tick = new QTimer(this);
    m_replay->tick->setInterval(TickMs);
    connect(m_replay->tick, &QTimer::timeout, this, &MainWindow::replayTick);
    m_replay->tick->start();

    // Shown as a connection shows it, the connection window hidden.
    ui->tab_User->setCurrentIndex(0);
    show();
    m_connectionForm->hide();
    setReplayLocks(true);
    replayShowAt(0);
    if (!m_replay->data.remarks.isEmpty())
        showReplayMessage(ui->statusBar, m_replay->timeline, m_replay->data.remarks.join(QLatin1Char(' ')), 30000);
    return true;
}

void MainWindow::closeSession()
{
    if (!m_replay)
        return;
    Replay *replay = m_replay;
    setReplayLocks(false);
    m_replay = nullptr;
    replay->tick->stop();
    replay->tick->deleteLater();
    ui->menuBar->setCornerWidget(nullptr);
    ui->statusBar->removeWidget(replay->timeline->fileLabel());
    ui->statusBar->removeWidget(replay->timeline);
    ui->statusBar->clearMessage();
    ui->statusBar->setToolTip(QString());
    replay->timeline->deleteLater();
    if (m_ownershipLabel)
        m_ownershipLabel->show();
    m_plotClock = nullptr;
    m_vxCtl->setWritesRefused(false);
    // As after a disconnection: the next identification rebuilds everything.
    GripperConnectstate(3);
    delete replay;
}

qint64 MainWindow::replayPosition() const
{
    return m_replay ? m_replay->shown : -1;
}

ReplayTimeline *MainWindow::replayTimeline() const
{
    return m_replay ? m_replay->timeline : nullptr;
}

QStringList MainWindow::replayRemarks() const
{
    return m_replay ? m_replay->data.remarks : QStringList();
}

void MainWindow::replaySeek(qint64 us)
{
    if (!m_replay)
        return;
    m_replay->clock.seek(us, m_replay->wallUs());
    replayShowAt(m_replay->clock.position(m_replay->wallUs()));
}

void MainWindow::replayTick()
{
    if (!m_replay)
        return;
    const qint64 now = m_replay->clock.position(m_replay->wallUs());
    if (now < m_replay->shown || now - m_replay->shown > PlayThroughUs)
        replayShowAt(now);
    else if (now > m_replay->shown)
        replayAdvance(m_replay->shown, now);
    if (m_replay->clock.isPlaying() && now >= m_replay->clock.duration()) {
        m_replay->clock.pause(m_replay->wallUs());
        m_replay->timeline->setPlaying(false);
    }
}

// The answers go through the window's dispatch as the link would hand them over. The
// control and parameter panels follow every answer: nothing the operator types is
// waiting to be saved while a session is replayed.
void MainWindow::replayDispatch(const SessionIndexReply &reply)
{
    m_replay->nowMs = reply.tUs / 1000;
    m_parametersLoaded = false;
    RefreshRegisterValue(m_replay->index->replyBytes(reply));
}

void MainWindow::replayShowAt(qint64 us)
{
    Replay *r = m_replay;
    const SessionIndex &index = *r->index;

    // Identification first: it builds the tables the answers go into.
    getGripperInfo(index.identAt(us));
    for (int i = 0; i < 4 && i < ui->PositionPlot->graphCount(); ++i)
        ui->PositionPlot->graph(i)->data()->clear();
    for (int i = 0; i < 2 && i < ui->CurrentPlot->graphCount(); ++i)
        ui->CurrentPlot->graph(i)->data()->clear();
    // The curves' clock counts seconds of the session.
    m_positionSampleClock = m_currentSampleClock = 0.0f;
    m_positionSampleLastMs = m_currentSampleLastMs = 0;

    // The newest answer of each block from before the curves' ten seconds, then every
    // answer within them, in time order.
    const qint64 from = qMax<qint64>(0, us - CurveUs);
    QMap<quint16, int> older = index.latestAt(from);
    QVector<int> order = older.values().toVector();
    std::sort(order.begin(), order.end());
    for (int i : qAsConst(order))
        replayDispatch(index.replies().at(i));
    const auto recent = index.repliesBetween(from, us);
    for (int i = recent.first; i < recent.second; ++i)
        replayDispatch(index.replies().at(i));
    ui->PositionPlot->replot(QCustomPlot::rpQueuedReplot);
    ui->CurrentPlot->replot(QCustomPlot::rpQueuedReplot);

    if (TrafficMonitor *monitor = m_connectionForm->trafficMonitor()) {
        monitor->clear();
        TrafficTap *tap = m_connectionForm->trafficTap();
        const int end = index.firstFrameAfter(us);
        for (int f = qMax(0, end - MonitorHistory); f < end; ++f)
            tap->add(r->data.frames.at(f));
        monitor->refresh();
    }
    r->shown = us;
    r->timeline->setPosition(us);
}

void MainWindow::replayAdvance(qint64 fromUs, qint64 toUs)
{
    Replay *r = m_replay;
    const SessionIndex &index = *r->index;
    const SessionData &data = r->data;
    // Events in between: a new connection identifies again, notices are shown as recorded.
    for (int e = index.firstEventAfter(fromUs); e < data.events.size() && data.events.at(e).tUs <= toUs; ++e) {
        const SessionEvent &event = data.events.at(e);
        if (event.kind == QLatin1String(SessionFormat::Connected) && !event.data.isEmpty())
            getGripperInfo(QByteArray::fromHex(event.data.toLatin1()));
        else if (event.kind == QLatin1String(SessionFormat::Notice))
            showReplayMessage(ui->statusBar, m_replay->timeline, tr("Recorded: %1").arg(event.text), 10000);
    }
    const auto replies = index.repliesBetween(fromUs, toUs);
    for (int i = replies.first; i < replies.second; ++i)
        replayDispatch(index.replies().at(i));
    TrafficTap *tap = m_connectionForm->trafficTap();
    if (tap->isListening())
        for (int f = index.firstFrameAfter(fromUs); f < data.frames.size() && data.tUs(data.frames.at(f)) <= toUs; ++f)
            tap->add(data.frames.at(f));
    r->shown = toUs;
    r->timeline->setPosition(toUs);
}

void MainWindow::setReplayLocks(bool on)
{
    Replay *r = m_replay;
    const QString why = tr("A recorded session is replayed: nothing is written to a device.");
    if (on) {
        const QList<QWidget *> widgets = {ui->pB_Activate, ui->stackedWidget_control, ui->rB_Demo,
                                          ui->cB_UserLevel, ui->tab_Commu, ui->tab_IO, ui->tab_Other,
                                          ui->tab_test, ui->tab_temp};
        for (QWidget *w : widgets) {
            r->tooltips.insert(w, w->toolTip());
            r->locked << w;
            w->setEnabled(false);
            w->setToolTip(why);
        }
        for (QAction *a : {ui->actionBackupParameters, ui->actionRestoreParameters, m_recordAction, ui->actionDisconnect}) {
            r->tooltips.insert(a, a->toolTip());
            r->lockedActions << a;
            a->setEnabled(false);
            a->setToolTip(why);
        }
        for (QTableWidget *table : tableTitles.keys())
            table->setToolTip(why);
        return;
    }
    for (const QPointer<QWidget> &w : qAsConst(r->locked))
        if (w) {
            w->setEnabled(true);
            w->setToolTip(r->tooltips.value(w));
        }
    for (const QPointer<QAction> &a : qAsConst(r->lockedActions))
        if (a) {
            a->setEnabled(a != ui->actionDisconnect);
            a->setToolTip(r->tooltips.value(a));
        }
    for (QTableWidget *table : tableTitles.keys())
        table->setToolTip(QString());
    updateControlEnableState();
}
