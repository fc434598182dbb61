// The Line view's picture of a line, judged directly: what it makes of hostile messages and
// topics, its bounds, the words it shows, the curves it keeps and the rows it sorts.
#include "lineview/linediagnosis.h"
#include "lineview/linefeed.h"
#include "lineview/linemodels.h"
#include "lineview/linestate.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *const GripperState =
    R"({"fault":false,"time":"2026-12-07T16:07:59.934Z","values":{"current":{"register":"0x0204","unit":"mA","value":12},)"
    R"("errorCode":{"fault":false,"register":"0x0205","value":0},"gripState":{"register":"0x0201","text":"caught an object","value":2},)"
    R"("initialisation":{"register":"0x0200","text":"initialised","value":1},"position":{"register":"0x0202","unit":"%","value":30}}})";

LineMessage read(const QString &topic, const QByteArray &payload, bool retained = false)
{
    return LineMessages::read(topic, payload, retained);
}

void apply(LineState &state, const QString &topic, const QByteArray &payload, qint64 now = 1000000, bool retained = false)
{
    state.apply(read(topic, payload, retained), now);
}

} // namespace

using Messages = QList<QPair<QString, QByteArray>>;
Q_DECLARE_METATYPE(Messages)

class TestLineState : public QObject
{
    Q_OBJECT

private slots:
    void hostileMessages_data();
    void hostileMessages();
    void valuesOfUnexpectedTypes();
    void boundedTable();
    void presenceFollowsTheGateway();
    void clearedTopicsRemoveTheRow();
    void curvesKeepWhereAMoveEnded();
    void sortingPutsFaultsAndOfflineFirst();
    void filtersAndBuses();
    void diagnoseOnlyWhatCanBeLeased_data();
    void diagnoseOnlyWhatCanBeLeased();
    void brokerAddress_data();
    void brokerAddress();
    void brokerLogin_data();
    void brokerLogin();
};

void TestLineState::hostileMessages_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("problem");
    using K = LineMessage::Kind;
    using P = LineProblem;
    const auto row = [](const char *name, const QString &topic, const QByteArray &payload, K kind, P problem) {
        QTest::newRow(name) << topic << payload << int(kind) << int(problem);
    };
    row("state", "grivant/l1/west/3/state", GripperState, K::State, P::None);
    row("not JSON", "grivant/l1/west/3/state", "{\"fault\":", K::Ignored, P::NotJson);
    row("binary", "grivant/l1/west/3/info", QByteArray("\x00\xff\xfe{", 4), K::Ignored, P::NotJson);
    row("an array", "grivant/l1/west/3/state", "[1,2,3]", K::Ignored, P::NotAnObject);
    row("a bare number", "grivant/l1/stats", "42", K::Ignored, P::NotJson);
    // Refused before Qt's parser, which would lose memory on it.
    row("a key twice", "grivant/l1/west/3/state", R"({"fault":true,"fault":false})", K::Ignored, P::NotJson);
    row("a key twice, once escaped", "grivant/l1/west/3/state", R"({"fault":true,"f\u0061ult":false})", K::Ignored,
        P::NotJson);
    row("huge", "grivant/l1/west/3/info", "{\"a\":\"" + QByteArray(70000, 'x') + "\"}", K::Ignored, P::TooLarge);
    row("deeper", "grivant/l1/west/3/state/more", GripperState, K::Ignored, P::UnknownTopic);
    row("shallower", "grivant/l1", "online", K::Ignored, P::UnknownTopic);
    row("four levels", "grivant/l1/west/state", GripperState, K::Ignored, P::UnknownTopic);
    row("another root", "other/l1/status", "online", K::Ignored, P::UnknownTopic);
    row("empty level", "grivant//west/3/state", GripperState, K::Ignored, P::UnknownTopic);
    row("overlong level", "grivant/" + QString(200, 'g') + "/status", "online", K::Ignored, P::UnknownTopic);
    row("control character in a name", "grivant/l\x1b[2J/status", "online", K::Ignored, P::UnknownTopic);
    row("unknown leaf", "grivant/l1/west/3/firmware", "{}", K::Ignored, P::UnknownTopic);
    row("ID 0", "grivant/l1/west/0/state", GripperState, K::Ignored, P::BadId);
    row("ID 248", "grivant/l1/west/248/state", GripperState, K::Ignored, P::BadId);
    row("ID not a number", "grivant/l1/west/3a/state", GripperState, K::Ignored, P::BadId);
    row("ID as %1", "grivant/l1/west/%1/state", GripperState, K::Ignored, P::BadId);
    row("a command", "grivant/l1/west/3/set", "{\"values\":{}}", K::Ignored, P::NotOurs);
    row("a result", "grivant/l1/west/3/result", "{}", K::Ignored, P::NotOurs);
    row("a lease's request", "grivant/l1/west/3/request", R"({"seq":1,"pdu":"0302000001"})", K::Ignored, P::NotOurs);
    row("a lease's answer", "grivant/l1/west/3/answer", "{}", K::Ignored, P::NotOurs);
    row("holder", "grivant/l1/west/3/holder", R"({"holder":"ana@bench-3\u0007","since":5})", K::Holder, P::None);
    row("status word", "grivant/l1/status", "maybe", K::Ignored, P::UnknownWord);
    row("status leased", "grivant/l1/status", "leased", K::Ignored, P::UnknownWord);
    row("availability leased", "grivant/l1/west/3/availability", "leased", K::Availability, P::None);
    row("cleared", "grivant/l1/west/3/availability", "", K::Availability, P::None);
    row("health, figures null", "grivant/l1/west/3/health", R"({"intervalP50Ms":null,"late":"yes","polls":-3})",
        K::Health, P::None);
}

void TestLineState::hostileMessages()
{
    QFETCH(QString, topic);
    QFETCH(QByteArray, payload);
    QFETCH(int, kind);
    QFETCH(int, problem);
    const LineMessage m = read(topic, payload);
    QCOMPARE(int(m.kind), kind);
    QCOMPARE(int(m.problem), problem);

    // Whatever it was, the picture takes it without harm and says what it left out.
    LineState state;
    state.apply(m, 1000);
    const bool counted = problem != int(LineProblem::None) && problem != int(LineProblem::NotOurs);
    QCOMPARE(state.notUnderstood(), counted ? 1 : 0);
    const bool ofADevice = kind == int(LineMessage::Kind::State) || kind == int(LineMessage::Kind::Availability)
                           || kind == int(LineMessage::Kind::Health) || kind == int(LineMessage::Kind::Holder);
    QCOMPARE(state.devices().size(), ofADevice && !payload.isEmpty() ? 1 : 0);
}

void TestLineState::valuesOfUnexpectedTypes()
{
    // Names with control characters, a model as a number, values as texts, a fault as a
    // text, a time that is none and a value too large for any register.
    const QByteArray info = R"({"model":{"name":"GZB\u001b[2J\nX","code":9729},"family":"toaster",)"
                            R"("hardware":["1"],"parameters":[1,"x",{"address":"0x0300","name":"Save","value":"0"}]})";
    const QByteArray state = R"({"fault":"yes","time":"yesterday","values":{"position":{"value":"30","unit":"%"},)"
                             R"("current":{"value":1e308},"gripState":{"value":2.5},"initialisation":"1",)"
                             R"("errorCode":{"value":-4,"fault":true}}})";
    const LineMessage i = read("grivant/l1/west/3/info", info);
    QCOMPARE(i.kind, LineMessage::Kind::Info);
    QCOMPARE(i.identity.modelName, QStringLiteral("GZB\\x1b[2J\\x0aX"));
    QVERIFY(i.identity.modelCode.isEmpty());
    QCOMPARE(i.identity.family, Family::Unknown);
    QVERIFY(i.identity.hardware.isEmpty());
    QCOMPARE(i.identity.parameters.size(), 1);
    QVERIFY(!i.identity.parameters.first().hasValue);

    const LineMessage s = read("grivant/l1/west/3/state", state);
    QCOMPARE(s.kind, LineMessage::Kind::State);
    QVERIFY(!s.reading.hasPosition);
    QVERIFY(s.reading.hasCurrent);
    QCOMPARE(s.reading.state, -1);          // 2.5 is no state
    QCOMPARE(s.reading.initialisation, -1); // nor is a text
    QCOMPARE(s.reading.timeMs, -1);
    QVERIFY(s.reading.fault); // from the value that says so, since "yes" is no answer
    QCOMPARE(s.reading.errorCode, -4);

    LineState picture;
    picture.apply(i, 5000);
    picture.apply(s, 5000);
    const LineState::Device &d = picture.devices().first();
    QCOMPARE(LineTableModel::faultText(d), QStringLiteral("error -4"));
    QVERIFY(LineTableModel::stateText(d).isEmpty());
    QVERIFY(!LineTableModel::currentText(d).isEmpty());
    QCOMPARE(LineState::ageMs(d, 6500), 1500); // no time of its own: as old as its receipt

    QCOMPARE(LineMessages::timeFromText("2026-12-07T11:21:35.123Z"),
             QDateTime(QDate(2026, 12, 7), QTime(11, 21, 35, 123), Qt::UTC).toMSecsSinceEpoch());
    QCOMPARE(LineMessages::timeFromText("2026-13-07T11:21:35.123Z"), -1);
    QCOMPARE(LineMessages::displayText(QString(300, 'a'), 10).size(), 10);
}

void TestLineState::boundedTable()
{
    LineState state;
    const int beyond = LineState::MaxDevices + 500;
    for (int n = 0; n < beyond; ++n)
        apply(state, QStringLiteral("grivant/flood%1/b%2/%3/availability").arg(n / 1000).arg(n / 200).arg(n % 200 + 1),
              "online");
    QCOMPARE(state.devices().size(), LineState::MaxDevices);
    QCOMPARE(state.leftOut(), 500);
    // Known devices still change; gateways are bounded too.
    apply(state, "grivant/flood0/b0/1/availability", "offline");
    QCOMPARE(state.devices().first().availability, Presence::Offline);
    for (int n = 0; n < LineState::MaxGateways + 10; ++n)
        apply(state, QStringLiteral("grivant/g%1/status").arg(n), "online");
    QCOMPARE(state.gateways().size(), LineState::MaxGateways);
}

void TestLineState::presenceFollowsTheGateway()
{
    LineState state;
    apply(state, "grivant/l1/status", "online", 1000, true);
    apply(state, "grivant/l1/west/1/availability", "online");
    apply(state, "grivant/l1/west/2/availability", "leased");
    apply(state, "grivant/l1/west/3/availability", "online");
    apply(state, "grivant/l1/west/3/availability", "offline");
    const auto presence = [&state](int row) { return state.presenceOf(state.devices().at(row)); };
    QCOMPARE(presence(0), Presence::Online);
    QCOMPARE(presence(1), Presence::Leased);
    QCOMPARE(presence(2), Presence::Offline); // its row stays
    QCOMPARE(state.gateways().first().sinceMs, -1); // retained: since when is not known

    // A gateway that died leaves its devices online on the broker; its last will says otherwise.
    apply(state, "grivant/l1/status", "offline", 7000);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(presence(row), Presence::Offline);
    QCOMPARE(state.gateways().first().sinceMs, 7000);
    QCOMPARE(state.takeChanges().changedRows, (QVector<int>{0, 1, 2}));
}

void TestLineState::clearedTopicsRemoveTheRow()
{
    LineState state;
    LineTableModel model(&state);
    apply(state, "grivant/l1/west/1/availability", "online");
    apply(state, "grivant/l1/west/2/availability", "online");
    apply(state, "grivant/l1/west/2/state", GripperState);
    model.refresh();
    QCOMPARE(model.rowCount(), 2);
    // Cleared one topic after another, as `mosquitto_pub -r -n` does.
    apply(state, "grivant/l1/west/2/availability", "");
    model.refresh();
    QCOMPARE(model.rowCount(), 2);
    apply(state, "grivant/l1/west/2/state", "");
    model.refresh();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(state.rowOf("l1", "west", 1), 0);
    QCOMPARE(state.rowOf("l1", "west", 2), -1);
}

void TestLineState::curvesKeepWhereAMoveEnded()
{
    LineState::History h;
    // A move published every 50 ms for 950 ms, then nothing for 20 s (at rest).
    for (int i = 0; i <= 19; ++i)
        h.add({10000 + 50 * i, float(i), float(100 - i)});
    h.add({31000, 19, 0});
    const QVector<LineState::Sample> all = h.since(0);
    QVERIFY(all.size() <= 8);
    // The value at the end of the move is there before the pause, not only after it.
    QVERIFY(all.size() >= 3);
    QCOMPARE(all.at(all.size() - 2).ms, 10950);
    QCOMPARE(all.at(all.size() - 2).position, 19.0f);
    QCOMPARE(all.last().ms, 31000);
    QCOMPARE(h.since(20000).size(), 1);
}

void TestLineState::sortingPutsFaultsAndOfflineFirst()
{
    LineState state;
    LineTableModel model(&state);
    model.setClock([] { return qint64(1000000); });
    LineFilter filter(&model);
    QByteArray faulted = GripperState;
    faulted.replace(R"("fault":false,"time")", R"("fault":true,"time")");
    faulted.replace(R"({"fault":false,"register":"0x0205","value":0})", R"({"fault":true,"register":"0x0205","value":7})");
    apply(state, "grivant/l1/b/1/state", GripperState);
    apply(state, "grivant/l1/b/2/state", faulted);
    apply(state, "grivant/l1/a/3/availability", "offline");
    apply(state, "grivant/l1/a/4/availability", "online");
    model.refresh();
    const auto order = [&filter] {
        QStringList out;
        for (int row = 0; row < filter.rowCount(); ++row)
            out << filter.index(row, LineTableModel::BusColumn).data().toString()
                       + filter.index(row, LineTableModel::IdColumn).data().toString();
        return out;
    };
    filter.sort(LineTableModel::GatewayColumn);
    QCOMPARE(order(), (QStringList{"a3", "a4", "b1", "b2"}));
    filter.sort(LineTableModel::FaultColumn);
    QCOMPARE(order().first(), QStringLiteral("b2"));
    QCOMPARE(filter.index(0, LineTableModel::FaultColumn).data().toString(), QStringLiteral("error 7"));
    filter.sort(LineTableModel::AvailabilityColumn);
    QCOMPARE(order().first(), QStringLiteral("a3"));
    filter.sort(LineTableModel::StateColumn);
    QCOMPARE(filter.index(0, LineTableModel::StateColumn).data().toString(), QStringLiteral("caught an object"));

    // Poll figures, once a gateway gives them, for devices in the table only.
    DeviceHealth health;
    health.known = true;
    health.intervalP50Ms = 52;
    health.intervalP95Ms = 61.4;
    QVERIFY(state.applyHealth("l1", "b", 1, health));
    QVERIFY(!state.applyHealth("l1", "b", 9, health));
    model.refresh();
    const int b1 = filter.mapFromSource(model.index(state.rowOf("l1", "b", 1), 0)).row();
    QCOMPARE(filter.index(b1, LineTableModel::PollColumn).data().toString(), QStringLiteral("52 / 61 ms"));

    filter.setFaultsOnly(true);
    QCOMPARE(order(), QStringList{"b2"});
    filter.setFaultsOnly(false);
    filter.setShow(LineFilter::Show::Offline);
    QCOMPARE(order(), QStringList{"a3"});
}

void TestLineState::filtersAndBuses()
{
    LineState state;
    LineTableModel model(&state);
    LineBusModel buses(&state);
    LineFilter filter(&model);
    apply(state, "grivant/l2/status", "online", 1000, true);
    apply(state, "grivant/l1/status", "offline", 2000);
    apply(state, "grivant/l1/west/1/info", R"({"model":{"name":"GZB-50W"},"uniqueId":"1A2B3C4D"})");
    apply(state, "grivant/l1/west/2/availability", "online");
    apply(state, "grivant/l1/east/7/availability", "online");
    apply(state, "grivant/l1/stats", R"({"uptime":5,"buses":{"west":{"lineShare":0.5,"failures":3,"seconds":5}}})");
    model.refresh();
    buses.setConnectedAt(1000);
    buses.refresh();

    const auto shown = [&filter] {
        QStringList out;
        for (int row = 0; row < filter.rowCount(); ++row)
            out << filter.index(row, LineTableModel::BusColumn).data().toString()
                       + filter.index(row, LineTableModel::IdColumn).data().toString();
        out.sort();
        return out;
    };
    filter.setGateway("l1");
    filter.setBus("west");
    QCOMPARE(shown(), (QStringList{"west1", "west2"}));
    filter.setBus(QString());
    filter.setText("1a2b");
    QCOMPARE(shown(), QStringList{"west1"});
    filter.setText("7");
    QCOMPARE(shown(), QStringList{"east7"}); // an ID is found whole, not in 17 or 70
    filter.setText(QString());
    filter.setGateway("l2");
    QCOMPARE(shown(), QStringList());

    // One row per bus in name order, the gateway named on its first; a gateway without a
    // bus has a row of its own; failures a minute from the stats' period.
    QCOMPARE(buses.rowCount(), 3);
    const auto cell = [&buses](int row, int column) { return buses.index(row, column).data().toString(); };
    QCOMPARE(cell(0, LineBusModel::GatewayColumn) + "|" + cell(0, LineBusModel::BusColumn), QStringLiteral("l1|east"));
    QCOMPARE(cell(1, LineBusModel::GatewayColumn) + "|" + cell(1, LineBusModel::BusColumn), QStringLiteral("|west"));
    QCOMPARE(cell(0, LineBusModel::StatusColumn), QStringLiteral("offline"));
    QCOMPARE(cell(1, LineBusModel::FailuresColumn), QStringLiteral("36.0"));
    QCOMPARE(cell(1, LineBusModel::LineShareColumn), QStringLiteral("50.0 %"));
    QCOMPARE(cell(1, LineBusModel::DevicesColumn), QStringLiteral("0 of 2 online")); // its gateway is offline
    QCOMPARE(cell(2, LineBusModel::GatewayColumn) + "|" + cell(2, LineBusModel::BusColumn), QStringLiteral("l2|"));
    QVERIFY(cell(2, LineBusModel::SinceColumn).startsWith("before "));
}

void TestLineState::diagnoseOnlyWhatCanBeLeased_data()
{
    // The messages of one device of gateway l1 in turn, and what "Diagnose" makes of them.
    QTest::addColumn<Messages>("messages");
    QTest::addColumn<int>("verdict");
    using V = LineDiagnosis::Verdict;
    using M = Messages;
    const QByteArray lends = R"({"model":{"name":"GZB-50W"},"diagnosis":true})";
    const M ready = {{"grivant/l1/status", "online"}, {"grivant/l1/w/3/info", lends},
                     {"grivant/l1/w/3/availability", "online"}};
    QTest::newRow("online, lent") << ready << int(V::Possible);
    QTest::newRow("no info yet") << M{{"grivant/l1/status", "online"}, {"grivant/l1/w/3/availability", "online"}}
                                 << int(V::NotIdentified);
    QTest::newRow("diagnosis off") << M{{"grivant/l1/status", "online"},
                                        {"grivant/l1/w/3/info", R"({"model":{"name":"GZB-50W"},"diagnosis":false})"},
                                        {"grivant/l1/w/3/availability", "online"}}
                                   << int(V::NotLent);
    QTest::newRow("an older gateway") << M{{"grivant/l1/status", "online"},
                                           {"grivant/l1/w/3/info", R"({"model":{"name":"GZB-50W"}})"},
                                           {"grivant/l1/w/3/availability", "online"}}
                                      << int(V::NotLent);
    QTest::newRow("diagnosis a text") << M{{"grivant/l1/status", "online"},
                                           {"grivant/l1/w/3/info", R"({"model":{"name":"GZB-50W"},"diagnosis":"yes"})"},
                                           {"grivant/l1/w/3/availability", "online"}}
                                      << int(V::NotLent);
    QTest::newRow("gateway offline") << M(ready) + M{{"grivant/l1/status", "offline"}} << int(V::GatewayOffline);
    QTest::newRow("gateway never said") << M{{"grivant/l1/w/3/info", lends}, {"grivant/l1/w/3/availability", "online"}}
                                        << int(V::GatewayOffline);
    QTest::newRow("device offline") << M(ready) + M{{"grivant/l1/w/3/availability", "offline"}} << int(V::DeviceOffline);
    QTest::newRow("availability unknown") << M{{"grivant/l1/status", "online"}, {"grivant/l1/w/3/info", lends}}
                                          << int(V::DeviceOffline);
    QTest::newRow("leased") << M(ready) + M{{"grivant/l1/w/3/availability", "leased"}} << int(V::Leased);
}

void TestLineState::diagnoseOnlyWhatCanBeLeased()
{
    QFETCH(Messages, messages);
    QFETCH(int, verdict);
    LineState state;
    for (const auto &m : messages)
        apply(state, m.first, m.second);
    QCOMPARE(int(LineDiagnosis::judge(state, state.rowOf("l1", "w", 3))), verdict);
    QCOMPARE(int(LineDiagnosis::judge(state, -1)), int(LineDiagnosis::Verdict::NoDevice));
    QCOMPARE(int(LineDiagnosis::judge(state, state.devices().size())), int(LineDiagnosis::Verdict::NoDevice));
}

void TestLineState::brokerAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host"); // empty: refused
    QTest::addColumn<int>("port");
    QTest::newRow("host") << "broker.plant" << "broker.plant" << 0;
    QTest::newRow("host and port") << " localhost:1884 " << "localhost" << 1884;
    QTest::newRow("IPv6 in brackets") << "[::1]:8883" << "::1" << 8883;
    QTest::newRow("IPv6 alone") << "[fe80::1]" << "fe80::1" << 0;
    QTest::newRow("port 0") << "localhost:0" << "" << 0;
    QTest::newRow("port too large") << "localhost:65536" << "" << 0;
    QTest::newRow("port not a number") << "localhost:mqtt" << "" << 0;
    QTest::newRow("empty port") << "localhost:" << "" << 0;
    QTest::newRow("no host") << ":1883" << "" << 0;
    QTest::newRow("open bracket") << "[::1:1883" << "" << 0;
    QTest::newRow("after the bracket") << "[::1]x" << "" << 0;
    QTest::newRow("a path") << "host/x" << "" << 0;
}

void TestLineState::brokerAddress()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString h, why;
    int p = -1;
    QCOMPARE(LineBroker::parseAddress(text, &h, &p, &why), !host.isEmpty());
    if (host.isEmpty()) {
        QVERIFY(!why.isEmpty());
        return;
    }
    QCOMPARE(h, host);
    QCOMPARE(p, port);
}

void TestLineState::brokerLogin_data()
{
    QTest::addColumn<QString>("username");
    QTest::addColumn<QString>("passwordFile"); // "good", "empty", "missing", "folder" or none
    QTest::addColumn<QString>("caFile");
    QTest::addColumn<QString>("certFile");
    QTest::addColumn<QString>("keyFile");
    QTest::addColumn<bool>("ready");
    QTest::newRow("anonymous") << "" << "" << "" << "" << "" << true;
    QTest::newRow("password file") << "op" << "good" << "" << "" << "" << true;
    QTest::newRow("password without a user") << "" << "good" << "" << "" << "" << false;
    QTest::newRow("empty password file") << "op" << "empty" << "" << "" << "" << false;
    QTest::newRow("missing password file") << "op" << "missing" << "" << "" << "" << false;
    QTest::newRow("a folder for a password file") << "op" << "folder" << "" << "" << "" << false;
    QTest::newRow("certificate without its key") << "" << "" << "good" << "good" << "" << false;
    QTest::newRow("certificate without TLS") << "" << "" << "" << "good" << "good" << false;
    QTest::newRow("unreadable CA file") << "" << "" << "missing" << "" << "" << false;
    QTest::newRow("TLS with a certificate") << "" << "" << "good" << "good" << "good" << true;
}

void TestLineState::brokerLogin()
{
    QFETCH(QString, username);
    QFETCH(QString, passwordFile);
    QFETCH(QString, caFile);
    QFETCH(QString, certFile);
    QFETCH(QString, keyFile);
    QFETCH(bool, ready);
    QTemporaryDir dir;
    const auto file = [&dir](const QString &kind) -> QString {
        if (kind.isEmpty())
            return QString();
        if (kind == "folder")
            return dir.path();
        const QString path = dir.filePath(kind);
        QFile f(path);
        if (kind != "missing" && f.open(QIODevice::WriteOnly))
            f.write(kind == "good" ? "s3cret\nsecond line\n" : "\n");
        return path;
    };
    LineBroker b;
    b.host = QStringLiteral("localhost");
    b.username = username;
    b.passwordFile = file(passwordFile);
    b.caFile = file(caFile);
    b.certFile = file(certFile);
    b.keyFile = file(keyFile);
    QString why;
    QCOMPARE(b.prepare(&why), ready);
    QCOMPARE(why.isEmpty(), ready);
    if (ready && passwordFile == "good")
        QCOMPARE(b.password, QStringLiteral("s3cret")); // the first line only
    QCOMPARE(b.effectivePort(), caFile.isEmpty() ? 1883 : 8883);
}

QTEST_GUILESS_MAIN(TestLineState)
#include "tst_linestate.moc"
