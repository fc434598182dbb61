#include "link/connectionfunc.h"
#include "link/modbusframe.h"
#include "support/fakesysfs.h"
#include "support/simulator.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QSerialPort>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

using ModbusFrame::appendCrc;

namespace {

// Line settings as the far end of a pseudo-terminal sees them at the time of a request.
// A pseudo-terminal drops the parity-enable flag and keeps only the odd flag, so even
// parity shows as none here.
struct Request
{
    QByteArray frame;
    int baud = 0;
    int parity = 0; // Qt serial numbers: 0 none, 2 even, 3 odd
};

int baudOf(speed_t speed)
{
    switch (speed) {
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return -1;
    }
}

// A scripted device on a real pseudo-terminal. It keeps a slave descriptor of its own open
// so that the scanner may close and reopen the port between combinations, and it answers
// each 8-byte request from a thread of its own with whatever the responder returns.
class PtyPeer
{
public:
    using Responder = std::function<QByteArray(const Request &request, int index)>;

    explicit PtyPeer(Responder responder = {}) : m_responder(std::move(responder)) {}

    ~PtyPeer()
    {
        m_quit = true;
        if (m_thread.joinable())
            m_thread.join();
        if (m_slave >= 0)
            ::close(m_slave);
        if (m_master >= 0)
            ::close(m_master);
    }

    bool start()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
            return false;
        m_path = QString::fromLocal8Bit(::ptsname(m_master));
        m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_slave < 0)
            return false;
        termios raw{};
        ::tcgetattr(m_slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(m_slave, TCSANOW, &raw);
        m_thread = std::thread([this] { run(); });
        return true;
    }

    QString path() const { return m_path; }

    // Leaves the line at odd parity, as a previous user of the port might.
    void presetOddParity()
    {
        termios line{};
        ::tcgetattr(m_slave, &line);
        line.c_cflag |= PARENB | PARODD;
        ::tcsetattr(m_slave, TCSANOW, &line);
    }

    // The line settings of the port, as any user of it finds them.
    termios line() const
    {
        termios settings{};
        ::tcgetattr(m_slave, &settings);
        return settings;
    }
    void setLine(const termios &settings) { ::tcsetattr(m_slave, TCSANOW, &settings); }

    QList<Request> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

private:
    void run()
    {
        QByteArray pending;
        while (!m_quit) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 10) <= 0 || !(pfd.revents & POLLIN))
                continue;
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            pending.append(buffer, int(n));
            while (pending.size() >= 8) {
                Request request;
                request.frame = pending.left(8);
                pending.remove(0, 8);
                termios line{};
                ::tcgetattr(m_slave, &line);
                request.baud = baudOf(::cfgetospeed(&line));
                request.parity = (line.c_cflag & PARODD) ? 3 : (line.c_cflag & PARENB) ? 2 : 0;
                int index;
                {
                    QMutexLocker lock(&m_mutex);
                    index = m_requests.size();
                    m_requests.append(request);
                }
                const QByteArray answer = m_responder ? m_responder(request, index) : QByteArray();
                if (!answer.isEmpty() && ::write(m_master, answer.constData(), size_t(answer.size())) < 0)
                    qWarning("pty peer: write failed");
            }
        }
    }

    Responder m_responder;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::thread m_thread;
    std::atomic_bool m_quit{false};
    mutable QMutex m_mutex;
    QList<Request> m_requests;
};

struct Event
{
    enum Kind { Status, Progress, Result } kind;
    QString text;
    int percent = 0;
    QStringList result;
    QByteArray block;
};

// Collects the scanner's reports in the test thread, in the order they were sent.
class Recorder : public QObject
{
    Q_OBJECT
public:
    QList<Event> events;

    QList<Event> of(Event::Kind kind) const
    {
        QList<Event> list;
        for (const Event &e : events)
            if (e.kind == kind)
                list.append(e);
        return list;
    }
    QStringList statusLines() const
    {
        QStringList lines;
        for (const Event &e : of(Event::Status))
            lines.append(e.text);
        return lines;
    }
    int finishedCount() const
    {
        int n = 0;
        for (const Event &e : of(Event::Result))
            n += e.result == QStringList{"finished"} ? 1 : 0;
        return n;
    }

public slots:
    void status(QString text) { events.append({Event::Status, text, 0, {}, {}}); }
    void progress(QString text, int percent) { events.append({Event::Progress, text, percent, {}, {}}); }
    void result(QStringList list, QByteArray block) { events.append({Event::Result, {}, 0, list, block}); }
};

// The scanner in a thread of its own, wired by queued connections as the window does.
class Rig
{
public:
    Rig()
    {
        scanner->moveToThread(&thread);
        QObject::connect(scanner, &Connectionfunc::sig_status, &rec, &Recorder::status, Qt::QueuedConnection);
        QObject::connect(scanner, &Connectionfunc::sig_search_process, &rec, &Recorder::progress,
                         Qt::QueuedConnection);
        QObject::connect(scanner, &Connectionfunc::sig_commu_para, &rec, &Recorder::result,
                         Qt::QueuedConnection);
        // Silence costs the whole wait, an answer only its arrival: keep the waits short.
        scanner->setWaitTimes(30, 2, 15);
        thread.start();
    }
    ~Rig()
    {
        scanner->set_search_stop();
        thread.quit();
        thread.wait();
        delete scanner;
    }

    void sweep(const QStringList &ports)
    {
        QMetaObject::invokeMethod(scanner, "slot_ScanGripper", Qt::QueuedConnection,
                                  Q_ARG(QStringList, ports));
    }

    QThread thread;
    Connectionfunc *scanner = new Connectionfunc;
    Recorder rec;
};

QString progressText(int id, int baud, int parity)
{
    return QString("id: %1 , BaudRate: %2, parity: %3").arg(id).arg(baud).arg(parity == 2 ? "even" : parity == 3 ? "odd" : "none");
}

bool sameLine(const termios &a, const termios &b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag
           && ::cfgetispeed(&a) == ::cfgetispeed(&b) && ::cfgetospeed(&a) == ::cfgetospeed(&b);
}

QByteArray probeAnswer(quint8 from, quint8 address)
{
    QByteArray body("\x00\x03\x02\x00", 4);
    body[0] = char(from);
    body.append(char(address));
    return appendCrc(body);
}

QByteArray identAnswer(quint8 from, const QByteArray &block)
{
    QByteArray body;
    body.append(char(from));
    body.append('\x03');
    body.append(char(block.size()));
    body.append(block);
    return appendCrc(body);
}

const QByteArray Block = QByteArray::fromHex("1a2b 0102 0304 0506 0708 090a");
const QList<int> Bauds{115200, 57600, 38400, 19200, 9600, 4800, 230400};
const QList<int> Parities{0, 2, 3};
const int Patience = 20000;

} // namespace

class TestScanner : public QObject
{
    Q_OBJECT

private slots:
    void shippedWaitTimes();
    void emptyPortListFinishesAtOnce();
    void startAfterEndSendsNothing();
    void sweepOrderProgressAndWire();
    void narrowedSweepKeepsOrderAndWaits();
    void unopenablePortIsSkipped();
    void portLeftSetUpByAnEndedProgram();
    void malformedAnswersAreRejected_data();
    void malformedAnswersAreRejected();
    void rangeModeTakesOnlyTheSweptAddress();
    void stopEndsSweepAfterCurrentProbe();
    void simRangeSearchFindsDeviceAndGoesOn();
    void simSearchModeTakesReportedAddress();
    void simBadCrcIsNoDevice();
    void adapterLatencyDuringSweep();
};

void TestScanner::shippedWaitTimes()
{
    Connectionfunc scanner;
    const QList<int> expected{60, 100, 140, 180, 220, 260, 300};
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(scanner.waitTime(i), expected.at(i));
}

void TestScanner::emptyPortListFinishesAtOnce()
{
    Rig rig;
    rig.sweep({});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.events.size(), 1, Patience);
    QCOMPARE(rig.rec.events.first().kind, Event::Result);
    QCOMPARE(rig.rec.events.first().result, QStringList{"finished"});
    QVERIFY(rig.rec.events.first().block.isEmpty());
}

void TestScanner::startAfterEndSendsNothing()
{
    PtyPeer peer([](const Request &, int) { return probeAnswer(1, 1); });
    QVERIFY(peer.start());
    Rig rig;
    rig.scanner->set_idrange(10, 5);
    rig.scanner->set_search_mode(false);
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);
    QVERIFY(peer.requests().isEmpty());
    QVERIFY(rig.rec.of(Event::Progress).isEmpty());
    QCOMPARE(rig.rec.statusLines(), QStringList{"Scanning COM Port:\t " + peer.path()});
}

void TestScanner::sweepOrderProgressAndWire()
{
    PtyPeer peer; // silent: every probe times out
    QVERIFY(peer.start());
    peer.presetOddParity(); // no parity must not inherit it
    Rig rig;
    rig.scanner->set_idrange(1, 1);
    rig.scanner->set_search_mode(false);
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    const QList<Event> progress = rig.rec.of(Event::Progress);
    QCOMPARE(progress.size(), 21);
    QCOMPARE(progress.first().percent, 4);
    QCOMPARE(progress.last().percent, 100);
    const QList<Request> requests = peer.requests();
    QCOMPARE(requests.size(), 21);
    int step = 0;
    for (int parity : Parities) {
        for (int baud : Bauds) {
            QCOMPARE(progress.at(step).text, progressText(1, baud, parity));
            QCOMPARE(progress.at(step).percent, (step + 1) * 100 / 21);
            const Request &r = requests.at(step);
            QCOMPARE(r.frame.toHex(' '), QByteArray("01 03 03 02 00 01 25 8e"));
            QCOMPARE(r.baud, baud);
            QCOMPARE(r.parity, parity == 2 ? 0 : parity);
            ++step;
        }
    }
    QCOMPARE(rig.rec.events.last().kind, Event::Result);
}

// The command-line tool narrows a sweep to some rates and parities: they go in the order
// given, unknown ones left out, and the progress counts only the steps swept.
void TestScanner::narrowedSweepKeepsOrderAndWaits()
{
    PtyPeer peer;
    QVERIFY(peer.start());
    Rig rig;
    rig.scanner->set_idrange(1, 2);
    rig.scanner->set_search_mode(false);
    rig.scanner->setSweepSettings({4, 0, 9}, {3, 1, 0});
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    QStringList texts;
    QList<int> percents;
    for (const Event &e : rig.rec.of(Event::Progress)) {
        texts << e.text;
        percents << e.percent;
    }
    QCOMPARE(texts, QStringList({progressText(1, 9600, 3), progressText(2, 9600, 3), progressText(1, 115200, 3),
                                 progressText(2, 115200, 3), progressText(1, 9600, 0), progressText(2, 9600, 0),
                                 progressText(1, 115200, 0), progressText(2, 115200, 0)}));
    QCOMPARE(percents, QList<int>({12, 25, 37, 50, 62, 75, 87, 100}));
    const QList<Request> requests = peer.requests();
    QCOMPARE(requests.size(), 8);
    QCOMPARE(requests.first().baud, 9600);
    QCOMPARE(requests.last().baud, 115200);
}

void TestScanner::unopenablePortIsSkipped()
{
    PtyPeer peer;
    QVERIFY(peer.start());
    Rig rig;
    rig.scanner->set_idrange(1, 1);
    // a "%" in a name is text, not a place for the error number
    const QString missing = "/dev/no-such-port-%2-for-scanner";
    rig.sweep({missing, peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    const QStringList lines = rig.rec.statusLines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0), "Scanning COM Port:\t " + missing);
    QVERIFY2(lines.at(1).startsWith("Scan error:\t " + missing + ",("), qPrintable(lines.at(1)));
    QVERIFY(QRegularExpression("^Scan error:\t .*,\\(\\d+ :.+\\)$").match(lines.at(1)).hasMatch());
    QCOMPARE(lines.at(2), "Scanning COM Port:\t " + peer.path());
    // The skipped port's steps are not counted: progress jumps to the second half.
    const QList<Event> progress = rig.rec.of(Event::Progress);
    QCOMPARE(progress.size(), 21);
    QCOMPARE(progress.first().percent, 22 * 100 / 42);
    QCOMPARE(progress.last().percent, 100);
    QCOMPARE(peer.requests().size(), 21);
}

// A program that ended without closing its port (killed, crashed) leaves the line settings
// it had set. On a pseudo-terminal a request of even parity then changes nothing else, and
// the system calls it an invalid argument. The sweep still finds the device at none and at
// even parity, as on a fresh port, and leaves the port as it found it.
void TestScanner::portLeftSetUpByAnEndedProgram()
{
    PtyPeer peer([](const Request &r, int) {
        return r.frame.at(2) == 0x03 ? probeAnswer(1, 1) : identAnswer(1, Block);
    });
    QVERIFY(peer.start());
    {
        QSerialPort left(peer.path());
        left.setBaudRate(115200);
        QVERIFY(left.open(QIODevice::ReadWrite));
        const termios setUp = peer.line();
        left.close();
        peer.setLine(setUp);
    }
    const termios found = peer.line();
    Rig rig;
    rig.scanner->set_idrange(1, 1);
    rig.scanner->set_search_mode(false);
    rig.scanner->setSweepSettings({0}, {});
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    QStringList parities;
    for (const Event &e : rig.rec.of(Event::Result))
        if (e.result.value(0) == "OK")
            parities << e.result.value(3);
    QCOMPARE(parities, QStringList({"0", "2", "3"}));
    QCOMPARE(rig.rec.statusLines().filter("Scan error").size(), 0);
    QVERIFY(sameLine(peer.line(), found));
}

void TestScanner::malformedAnswersAreRejected_data()
{
    QTest::addColumn<QByteArray>("probe");
    QTest::addColumn<QByteArray>("ident");
    QTest::addColumn<bool>("rejected");
    QTest::addColumn<int>("requests");

    const QByteArray good = probeAnswer(0x09, 9);
    QByteArray corrupt = good;
    corrupt[6] = char(corrupt.at(6) ^ 0x40);
    QByteArray twentyOne = QByteArray("\x09\x03\x10", 3) + QByteArray(16, '\x09');
    twentyOne = appendCrc(twentyOne);
    const QByteArray ident = identAnswer(9, Block);
    QByteArray corruptIdent = ident;
    corruptIdent[16] = char(corruptIdent.at(16) ^ 0x01);

    QTest::newRow("21-byte answer") << twentyOne << ident << true << 2;
    QTest::newRow("wrong CRC") << corrupt << ident << true << 2;
    QTest::newRow("cut short") << good.left(3) << ident << true << 2;
    QTest::newRow("one byte") << good.left(1) << ident << true << 2;
    QTest::newRow("exception answer") << appendCrc(QByteArray("\x09\x83\x02", 3)) << ident << false << 2;
    QTest::newRow("identification cut short") << good << ident.left(16) << true << 3;
    QTest::newRow("identification wrong CRC") << good << corruptIdent << true << 3;
    QTest::newRow("identification exception") << good << appendCrc(QByteArray("\x09\x83\x02", 3)) << false
                                              << 3;
}

void TestScanner::malformedAnswersAreRejected()
{
    QFETCH(QByteArray, probe);
    QFETCH(QByteArray, ident);
    QFETCH(bool, rejected);
    QFETCH(int, requests);

    // Only the first combination answers; the rest of the sweep is silence.
    PtyPeer peer([&](const Request &r, int index) {
        if (index == 0)
            return probe;
        if (index == 1 && quint8(r.frame.at(2)) == 0x0A)
            return ident;
        return QByteArray();
    });
    QVERIFY(peer.start());
    Rig rig;
    // One silent probe after the answered one is enough: stop during the second.
    Connectionfunc *scanner = rig.scanner;
    QObject::connect(
        rig.scanner, &Connectionfunc::sig_search_process, rig.scanner,
        [scanner](const QString &, int percent) {
            if (percent > 5)
                scanner->set_search_stop();
        },
        Qt::DirectConnection);
    rig.sweep({peer.path()}); // search mode, 255..255
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    QCOMPARE(rig.rec.of(Event::Result).size(), 1); // only "finished", no device
    const QStringList lines = rig.rec.statusLines();
    QVERIFY(lines.contains("response: " + QString::fromLatin1(probe.toHex())));
    QCOMPARE(lines.count(Connectionfunc::RejectedAnswerText), rejected ? 1 : 0);
    QVERIFY(!lines.filter("Varified").size());
    QCOMPARE(peer.requests().size(), requests);
    if (requests == 3)
        QCOMPARE(peer.requests().at(1).frame, ModbusFrame::identificationRequest(9));
}

void TestScanner::rangeModeTakesOnlyTheSweptAddress()
{
    // Whatever it is asked, the device answers with its own address 3.
    PtyPeer peer([](const Request &r, int) {
        if (r.baud != 57600 || r.parity != 3)
            return QByteArray();
        return quint8(r.frame.at(2)) == 0x0A ? identAnswer(3, Block) : probeAnswer(3, 3);
    });
    QVERIFY(peer.start());
    Rig rig;
    rig.scanner->set_idrange(1, 4);
    rig.scanner->set_search_mode(false);
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);

    const QList<Event> results = rig.rec.of(Event::Result);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).result,
             QStringList({"OK", peer.path(), "57600", "3", "1", "3"}));
    QCOMPARE(results.at(0).block, Block);
    // At odd parity, 57600: IDs 1, 2, 3 (+ identification of 3), 4.
    const QList<Request> requests = peer.requests();
    QCOMPARE(requests.size(), 21 * 4 + 1);
    const int first = (7 + 7 + 1) * 4;
    QCOMPARE(requests.at(first).frame, ModbusFrame::probeRequest(1));
    QCOMPARE(requests.at(first + 2).frame, ModbusFrame::probeRequest(3));
    QCOMPARE(requests.at(first + 3).frame, ModbusFrame::identificationRequest(3));
    QCOMPARE(requests.at(first + 4).frame, ModbusFrame::probeRequest(4));
    QVERIFY(rig.rec.statusLines().contains("Scaned a device in " + peer.path() + ", Varified"));
}

void TestScanner::stopEndsSweepAfterCurrentProbe()
{
    PtyPeer peer;
    QVERIFY(peer.start());
    Rig rig;
    rig.scanner->set_idrange(1, 200);
    rig.scanner->set_search_mode(false);
    // Stop while the third probe is under way, from the scanner's own thread so that the
    // moment is exact.
    std::atomic_int probes{0};
    Connectionfunc *scanner = rig.scanner;
    QObject::connect(
        rig.scanner, &Connectionfunc::sig_search_process, rig.scanner,
        [&probes, scanner](const QString &, int) {
            if (++probes == 3)
                scanner->set_search_stop();
        },
        Qt::DirectConnection);
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);
    QCOMPARE(rig.rec.of(Event::Progress).size(), 3);
    QCOMPARE(peer.requests().size(), 3);
    QCOMPARE(rig.rec.events.last().result, QStringList{"finished"});

    // A stop from another thread during a sweep ends it as well; the next sweep clears it.
    rig.sweep({peer.path()});
    QTRY_VERIFY_WITH_TIMEOUT(rig.rec.of(Event::Progress).size() > 4, Patience);
    rig.scanner->set_search_stop();
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 2, Patience);
    QVERIFY(rig.rec.of(Event::Progress).size() < 3 + 50);
}

void TestScanner::simRangeSearchFindsDeviceAndGoesOn()
{
    Simulator sim({"--id", "5", "--baud", "9600", "--parity", "odd"});
    QVERIFY(sim.start());
    Rig rig;
    rig.scanner->set_idrange(1, 8);
    rig.scanner->set_search_mode(false);
    rig.sweep({sim.port()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, 60000);

    const QList<Event> &events = rig.rec.events;
    int found = -1;
    for (int i = 0; i < events.size(); ++i) {
        if (events.at(i).kind == Event::Result && events.at(i).result.first() == "OK") {
            QCOMPARE(found, -1); // one find only
            found = i;
        }
    }
    QVERIFY(found > 0);
    QCOMPARE(events.at(found).result, QStringList({"OK", sim.port(), "9600", "3", "1", "5"}));
    QCOMPARE(events.at(found).block.size(), 12);
    // The sweep goes on with the next ID at the same settings.
    int next = found + 1;
    while (events.at(next).kind != Event::Progress)
        ++next;
    QCOMPARE(events.at(next).text, progressText(6, 9600, 3));
    QCOMPARE(rig.rec.of(Event::Progress).size(), 21 * 8);
}

void TestScanner::simSearchModeTakesReportedAddress()
{
    Simulator sim({"--id", "7", "--baud", "38400", "--parity", "odd"});
    QVERIFY(sim.start());
    Rig rig;
    QtMessageHandler previous = qInstallMessageHandler(nullptr);
    static QMutex logMutex;
    static QStringList log;
    log.clear();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
        QMutexLocker lock(&logMutex);
        log.append(text);
    });
    rig.sweep({sim.port()});
    // A second, empty sweep runs only when the first has returned: its "finished" is the only one.
    rig.sweep({});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);
    qInstallMessageHandler(previous);

    const QList<Event> results = rig.rec.of(Event::Result);
    QCOMPARE(results.size(), 2);
    QCOMPARE(results.at(0).result, QStringList({"OK", sim.port(), "38400", "3", "1", "7"}));
    QCOMPARE(results.at(0).block.size(), 12);
    QCOMPARE(results.at(1).result, QStringList{"finished"});
    QCOMPARE(rig.rec.events.last().result, QStringList{"finished"});
    // The sweep ended at the find: ID 255 at the third rate of odd parity was the last probe.
    const QList<Event> progress = rig.rec.of(Event::Progress);
    QCOMPARE(progress.size(), 7 + 7 + 3);
    QCOMPARE(progress.last().text, progressText(255, 38400, 3));

    QMutexLocker lock(&logMutex);
    const QString expected = ModbusFrame::identificationRequest(7).toHex(' ');
    QVERIFY2(!log.filter("requestData 1: ").isEmpty(), qPrintable(log.join('\n')));
    QVERIFY(log.filter("requestData 1: ").first().contains(expected));
    QVERIFY(!log.filter("ComNamelist").isEmpty());
}

void TestScanner::simBadCrcIsNoDevice()
{
    Simulator sim({"--id", "4", "--baud", "115200", "--parity", "none", "--bad-crc", "1"});
    QVERIFY(sim.start());
    Rig rig;
    rig.sweep({sim.port()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);
    QCOMPARE(rig.rec.of(Event::Result).size(), 1);
    QVERIFY(rig.rec.statusLines().contains(Connectionfunc::RejectedAnswerText));
}

// A sweep lowers a fake FTDI adapter's timer while it has the port open, for every setting
// it tries (the pseudo-terminal takes no low-latency flag, so the timer file is written),
// tells of the adapter once, and leaves the timer as it found it.
void TestScanner::adapterLatencyDuringSweep()
{
    QTemporaryDir root;
    QMutex mutex;
    QString timerFile;
    QList<QByteArray> seen;
    PtyPeer peer([&](const Request &, int) {
        QMutexLocker lock(&mutex);
        QFile f(timerFile);
        seen << (f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray("?"));
        return QByteArray();
    });
    QVERIFY(peer.start());
    {
        QMutexLocker lock(&mutex);
        timerFile = FakeSysfs::makeUsb(root.path(), FakeSysfs::ftdi("16\n"), FakeSysfs::devChar(peer.path()))
                    + "/latency_timer";
    }
    qputenv("GRIVANT_SYSFS_ROOT", root.path().toLocal8Bit());
    Rig rig;
    rig.scanner->set_idrange(1, 1);
    rig.sweep({peer.path()});
    QTRY_COMPARE_WITH_TIMEOUT(rig.rec.finishedCount(), 1, Patience);
    qunsetenv("GRIVANT_SYSFS_ROOT");

    QMutexLocker lock(&mutex);
    QCOMPARE(seen, QList<QByteArray>() << QVector<QByteArray>(21, "1").toList());
    QFile f(timerFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().trimmed(), QByteArray("16"));
    const QStringList adapter = rig.rec.statusLines().filter("Adapter:\t ");
    QCOMPARE(adapter.size(), 1);
    QVERIFY2(adapter.first().startsWith("Adapter:\t " + peer.path() + "\t FT232R USB UART")
                 && adapter.first().contains("16 ms, 1 ms while the port is open"),
             qPrintable(adapter.first()));
}

QTEST_GUILESS_MAIN(TestScanner)
#include "tst_scanner.moc"
