// Fault soak: the polling engine and the Modbus link against the device simulator with
// requests lost or corrupted on the way to the device, dropped replies, corrupted CRCs,
// replies near the time-out, exception answers and a device that vanishes (and is plugged
// in again as a fresh simulator). Writes of values and of relative moves are queued all the
// time; the simulator's log tells which of them the device carried out, and what each
// written register holds when the device goes. Prints figures; with --check it exits 1 when
// a write was lost unseen (no outcome reported, or confirmed without being carried out), a
// confirmed value is not what the device holds, or an action ran twice.
//
//   bench_soak [SECONDS, default 600] [--check]

#include "engine/actionregisters.h"
#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QSet>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <memory>

namespace {

const QStringList kFaults = {"--lose-requests", "0.02", "--corrupt-requests", "0.02", "--drop", "0.03",
                             "--bad-crc", "0.02", "--late", "0.03", "--exceptions", "0.02"};

// The linear module's register groups and scan rates, as the program polls them.
struct Group {
    quint16 address;
    quint16 count;
    quint16 period;
};
const Group kGroups[] = {{0x0100, 8, 300},   {0x0200, 8, 50},    {0x0300, 11, 1000},
                         {0x0400, 35, 1000}, {0x0500, 13, 500},  {0x0A00, 6, 5000}};

enum class Outcome { None, Confirmed, GivenUp, Dropped, Unknown, Refused, RefusedAfterSilence };

struct Write {
    int address = 0;
    QVector<quint16> values;
    int session = 0; // the simulator it went to
    Outcome outcome = Outcome::None;
    int outcomes = 0; // reports received: exactly one is right
};

// What one simulator's log tells beyond the writes it carried out.
struct Session {
    QHash<int, quint16> holds; // each written register's value when the device went
    bool holdsKnown = false;
    int lostRequests = 0;      // lost on the line, never seen by the device
    int corruptedRequests = 0; // reached the device with a byte changed, ignored
};

QString keyOf(int address, const QVector<quint16> &values)
{
    QString key = QString::number(address, 16) + QLatin1Char(':');
    for (quint16 v : values)
        key += QString::number(v) + QLatin1Char(',');
    return key;
}

// Reads the simulator's request log (-v): a write frame counts as carried out unless the
// simulator says it was not (bad CRC, other line settings, an injected exception). A request
// lost on the line never reaches the log as a request. The last line of a run tells what
// the written registers hold.
class ExecutionLog
{
public:
    ExecutionLog(QHash<QString, int> *executed, Session *session) : m_executed(executed), m_session(session) {}

    void feed(const QByteArray &bytes)
    {
        m_partial += bytes;
        int nl;
        while ((nl = m_partial.indexOf('\n')) >= 0) {
            line(m_partial.left(nl));
            m_partial.remove(0, nl + 1);
        }
    }

    void finish()
    {
        settle();
    }

private:
    void line(const QByteArray &text)
    {
        const int request = text.indexOf("> ");
        const int holds = text.indexOf("  holds ");
        if (request >= 0) {
            settle();
            QByteArray bytes = text.mid(request + 2);
            if (bytes.contains('(')) {
                bytes.truncate(bytes.indexOf('('));
                ++m_session->corruptedRequests;
            }
            m_pending = QByteArray::fromHex(bytes.replace(' ', ""));
        } else if (text.contains("bad CRC") || text.contains("master line") || text.contains("not executed")) {
            m_pending.clear();
        } else if (text.contains("lost on the line")) {
            ++m_session->lostRequests;
        } else if (holds >= 0) {
            settle();
            for (const QByteArray &item : text.mid(holds + 8).split(' ')) {
                const QList<QByteArray> pair = item.split('=');
                if (pair.size() == 2)
                    m_session->holds.insert(pair[0].toInt(nullptr, 16), quint16(pair[1].toUInt(nullptr, 16)));
            }
            m_session->holdsKnown = true;
        }
    }

    void settle()
    {
        const QByteArray f = m_pending;
        m_pending.clear();
        if (f.size() < 8)
            return;
        const auto word = [&f](int at) { return quint16(quint8(f.at(at)) << 8 | quint8(f.at(at + 1))); };
        QVector<quint16> values;
        if (f.at(1) == 0x06) {
            values << word(4);
        } else if (f.at(1) == 0x10 && f.size() >= 9) {
            for (int i = 0; i < word(4) && 7 + 2 * i + 1 < f.size() - 2; ++i)
                values << word(7 + 2 * i);
        } else {
            return;
        }
        ++(*m_executed)[keyOf(word(2), values)];
    }

    QHash<QString, int> *m_executed;
    Session *m_session;
    QByteArray m_partial;
    QByteArray m_pending;
};

class Soak : public QObject
{
public:
    Soak(int seconds) : m_seconds(seconds)
    {
        connect(&m_engine, &VX_Ctl::SendReadRequest, &m_form, &ConnectionForm::Read_Register);
        connect(&m_engine, &VX_Ctl::SendWriteRequest, &m_form, &ConnectionForm::Write_MutipRegister);
        connect(&m_form, &ConnectionForm::SendReceviedData, this, &Soak::reply);
        connect(&m_form, &ConnectionForm::SendReceviedData, &m_engine, &VX_Ctl::ReceviedData);
        connect(&m_form, &ConnectionForm::SendWriteRefused, &m_engine, &VX_Ctl::WriteRefusedByDevice);
        connect(&m_form, &ConnectionForm::SendConnectiomState, this, &Soak::state);
        connect(&m_engine, &VX_Ctl::WriteConfirmed, this,
                [this](int a, QVector<quint16> v, int) { outcome(a, v, Outcome::Confirmed); });
        connect(&m_engine, &VX_Ctl::WriteGivenUp, this, [this](int a, QVector<quint16> v, int tries) {
            outcome(a, v, tries == 0 ? Outcome::Dropped : Outcome::GivenUp);
        });
        connect(&m_engine, &VX_Ctl::WriteOutcomeUnknown, this,
                [this](int a, QVector<quint16> v) { outcome(a, v, Outcome::Unknown); });
        connect(&m_engine, &VX_Ctl::WriteRefused, this,
                [this](int a, QVector<quint16> v, int, int tries) {
                    outcome(a, v, tries > 1 ? Outcome::RefusedAfterSilence : Outcome::Refused);
                });
        connect(&m_writer, &QTimer::timeout, this, &Soak::queueWrite);
        m_writer.setInterval(120);
    }

    bool run()
    {
        m_clock.start();
        if (!plugIn())
            return false;
        for (const Group &g : kGroups)
            m_engine.Add_readregisterList(g.address, g.count, g.period);
        m_engine.start();
        m_writer.start();
        spin(m_seconds * 1000);
        m_writer.stop();

        // Let every queued write come to its end.
        QElapsedTimer drain;
        drain.start();
        while (pending() > 0 && drain.elapsed() < 20000)
            spin(100);
        m_engine.SetStop();
        m_engine.wait();
        m_finishing = true;
        m_form.ComPort_Disconnect();
        unplug();
        return true;
    }

    int report(bool check) const
    {
        int confirmed = 0, givenUp = 0, unknown = 0, dropped = 0, refused = 0, unseen = 0, doubleReport = 0;
        int confirmedNotDone = 0, refusedButDone = 0, repeatedValues = 0, repeatedActions = 0, actions = 0;
        int givenUpDone = 0, unknownDone = 0;
        for (const Write &w : m_writes) {
            const int done = m_executed.value(keyOf(w.address, w.values));
            const bool action = ActionRegisters::isActionWrite(w.address, w.values.size());
            actions += action ? 1 : 0;
            switch (w.outcome) {
            case Outcome::Confirmed: ++confirmed; break;
            case Outcome::GivenUp: ++givenUp; givenUpDone += done > 0 ? 1 : 0; break;
            case Outcome::Unknown: ++unknown; unknownDone += done > 0 ? 1 : 0; break;
            case Outcome::Dropped: ++dropped; break;
            case Outcome::Refused: case Outcome::RefusedAfterSilence: ++refused; break;
            case Outcome::None: ++unseen; break;
            }
            doubleReport += w.outcomes > 1 ? 1 : 0;
            if (w.outcome == Outcome::Confirmed && done == 0)
                ++confirmedNotDone;
            // Refused at its first send: the device did not carry it out.
            if (w.outcome == Outcome::Refused && done > 0)
                ++refusedButDone;
            if (done > 1)
                ++(action ? repeatedActions : repeatedValues);
        }
        const int lostUnseen = unseen + confirmedNotDone + refusedButDone + doubleReport;
        const Holdings holdings = compareHoldings();
        int lostRequests = 0, corruptedRequests = 0;
        for (const Session &session : m_sessionLogs) {
            lostRequests += session.lostRequests;
            corruptedRequests += session.corruptedRequests;
        }

        std::printf("Fault soak, %d s: simulator %s, vanishing after 600-1400 requests\n", m_seconds,
                    qPrintable(kFaults.join(' ')));
        std::printf("  requests lost before the device      %8d  (corrupted on the way, ignored by it: %d)\n",
                    lostRequests, corruptedRequests);
        std::printf("  reads answered                       %8d\n", m_reads);
        std::printf("  writes queued                        %8d  (%d relative moves)\n",
                    int(m_writes.size()), actions);
        std::printf("  confirmed                            %8d\n", confirmed);
        std::printf("  given up and reported                %8d  (carried out by the device all the same: %d)\n",
                    givenUp, givenUpDone);
        std::printf("  action outcome unknown, reported     %8d  (carried out %d, not carried out %d)\n",
                    unknown, unknownDone, unknown - unknownDone);
        std::printf("  dropped unsent at a vanish, reported %8d\n", dropped);
        std::printf("  refused by the device, reported      %8d\n", refused);
        std::printf("  lost unseen                          %8d  (no report %d, confirmed but not "
                    "carried out %d, refused but carried out %d, reported twice %d)\n",
                    lostUnseen, unseen, confirmedNotDone, refusedButDone, doubleReport);
        std::printf("  confirmed registers vs. the device   %8d  (in %d devices; not what the device holds %d, "
                    "device state unknown %d)\n",
                    holdings.compared, int(m_sessionLogs.size()), holdings.differ, holdings.unknownSessions);
        std::printf("  carried out more than once           %8d  (values %d, actions %d)\n",
                    repeatedValues + repeatedActions, repeatedValues, repeatedActions);
        std::printf("  longest gap between good reads       %8lld ms while connected; %d vanishes, "
                    "longest from vanish to the next good read %lld ms\n",
                    m_longestGap, m_vanishes, m_longestOutage);
        const bool pass = lostUnseen == 0 && holdings.differ == 0 && holdings.unknownSessions == 0
            && repeatedActions == 0 && m_reads > 0;
        if (check)
            std::printf("%s: nothing lost unseen, every confirmed value on the device, no action carried out "
                        "twice\n", pass ? "PASS" : "FAIL");
        return check && !pass ? 1 : 0;
    }

private:
    struct Holdings {
        int compared = 0;        // registers with a confirmed value
        int differ = 0;          // of these, not holding what they may hold
        int unknownSessions = 0; // devices whose final state the log did not tell
    };

    // Each register's last confirmed value must be what the device holds at the end, unless
    // a later write to it was given up, its outcome is unknown or it was refused after sends
    // that went unanswered: the device may have carried that one out (or not). Writes
    // dropped unsent never reached it, and a write refused at its first send was not done.
    Holdings compareHoldings() const
    {
        Holdings result;
        QHash<int, QHash<int, QSet<quint16>>> allowed; // session -> register -> values
        for (const Write &w : m_writes) {
            for (int i = 0; i < w.values.size(); ++i) {
                QHash<int, QSet<quint16>> &registers = allowed[w.session];
                const int address = w.address + i;
                if (w.outcome == Outcome::Confirmed)
                    registers[address] = {w.values[i]};
                else if ((w.outcome == Outcome::GivenUp || w.outcome == Outcome::Unknown
                          || w.outcome == Outcome::RefusedAfterSilence)
                         && registers.contains(address))
                    registers[address].insert(w.values[i]);
            }
        }
        for (auto session = allowed.cbegin(); session != allowed.cend(); ++session) {
            const Session &log = m_sessionLogs.at(size_t(session.key()));
            if (!log.holdsKnown) {
                ++result.unknownSessions;
                continue;
            }
            for (auto reg = session.value().cbegin(); reg != session.value().cend(); ++reg) {
                ++result.compared;
                if (!log.holds.contains(reg.key()) || !reg.value().contains(log.holds.value(reg.key())))
                    ++result.differ;
            }
        }
        return result;
    }

    static void spin(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    int pending() const
    {
        int n = 0;
        for (const Write &w : m_writes)
            n += w.outcome == Outcome::None ? 1 : 0;
        return n;
    }

    bool plugIn()
    {
        ++m_sessions;
        QStringList args = kFaults;
        args << "--initialised" << "--model" << "4001" << "-v" << "--seed" << QString::number(m_sessions)
             << "--vanish-after" << QString::number(600 + (m_sessions * 397) % 800);
        m_sim.reset(new Simulator(args));
        m_sessionLogs.push_back(Session());
        m_log.reset(new ExecutionLog(&m_executed, &m_sessionLogs.back()));
        QProcess *process = m_sim->process();
        process->setProcessChannelMode(QProcess::SeparateChannels);
        connect(process, &QProcess::readyReadStandardError, this,
                [this, process]() { m_log->feed(process->readAllStandardError()); });
        if (!m_sim->start()) {
            std::printf("simulator did not start\n");
            return false;
        }
        m_form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
        m_form.ComPort_Connect();
        return true;
    }

    void unplug()
    {
        if (!m_sim)
            return;
        m_sim->process()->waitForReadyRead(50);
        m_log->feed(m_sim->process()->readAllStandardError());
        m_sim->stop();
        m_log->feed(m_sim->process()->readAllStandardError());
        m_log->finish();
    }

    void state(int state)
    {
        if (m_finishing)
            return;
        if (state == 2) {
            m_connected = true;
            m_lastRead = -1;
            m_engine.ReadEnable(true);
        } else if (state == 0 && m_connected) {
            // Unplugged: the program switches reading off (dropping queued writes) and the
            // operator plugs the device in again.
            m_connected = false;
            m_vanishedAt = m_clock.elapsed();
            ++m_vanishes;
            m_engine.ReadEnable(false);
            QTimer::singleShot(200, this, [this]() {
                unplug();
                if (m_clock.elapsed() < m_seconds * 1000LL + 20000)
                    plugIn();
            });
        }
    }

    void reply(const QByteArray &data)
    {
        if (data.size() < 3 || !m_connected)
            return;
        const qint64 now = m_clock.elapsed();
        if (m_lastRead >= 0)
            m_longestGap = qMax(m_longestGap, now - m_lastRead);
        else if (m_vanishedAt >= 0)
            m_longestOutage = qMax(m_longestOutage, now - m_vanishedAt);
        m_lastRead = now;
        ++m_reads;
    }

    void queueWrite()
    {
        if (!m_connected || pending() >= 3)
            return;
        const quint16 tag = quint16(++m_tag);
        Write w;
        w.session = int(m_sessionLogs.size()) - 1;
        switch (m_tag % 3) {
        case 0: w.address = 0x0104; w.values = {tag}; break;               // speed (a value)
        case 1: w.address = 0x0106; w.values = {tag}; break;               // relative move
        default: w.address = 0x0407; w.values = {tag, 100, 50}; break;     // I/O set-points
        }
        m_index.insert(keyOf(w.address, w.values), m_writes.size());
        m_writes.append(w);
        m_engine.Add_writeMutipregisterList(w.address, w.values);
    }

    void outcome(int address, const QVector<quint16> &values, Outcome outcome)
    {
        const int i = m_index.value(keyOf(address, values), -1);
        if (i < 0)
            return;
        Write &w = m_writes[i];
        ++w.outcomes;
        w.outcome = outcome;
    }

    int m_seconds;
    ConnectionForm m_form{nullptr, "en_US"};
    VX_Ctl m_engine;
    QTimer m_writer;
    QElapsedTimer m_clock;
    std::unique_ptr<Simulator> m_sim;
    std::unique_ptr<ExecutionLog> m_log;
    QHash<QString, int> m_executed;
    std::deque<Session> m_sessionLogs; // one per simulator plugged in; stays where it is
    QList<Write> m_writes;
    QHash<QString, int> m_index;
    int m_tag = 0;
    int m_sessions = 0;
    bool m_connected = false;
    bool m_finishing = false;
    int m_reads = 0;
    qint64 m_lastRead = -1;
    qint64 m_longestGap = 0;
    qint64 m_vanishedAt = -1;
    qint64 m_longestOutage = 0;
    int m_vanishes = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("DEVSIM"))
        qputenv("DEVSIM", DEVSIM_PATH);
    QApplication app(argc, argv);
    // The link's own diagnostic lines (time-outs, exceptions) would drown the figures.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    PortList::setProvider([] { return QList<PortEntry>(); });

    int seconds = 600;
    bool check = false;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--check") == 0)
            check = true;
        else
            seconds = qMax(1, atoi(argv[i]));
    }
    Soak soak(seconds);
    if (!soak.run())
        return 1;
    return soak.report(check);
}
