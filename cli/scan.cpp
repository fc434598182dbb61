#include "cli/scan.h"

#include "cli/interrupt.h"
#include "cli/output.h"
#include "link/connectionfunc.h"
#include "link/modbusclient.h"
#include "link/processlog.h"

#include <QEventLoop>
#include <QMap>
#include <QRegularExpression>
#include <QSerialPort>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {
const QVector<qint32> BaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};
}

qint64 scanDurationMs(const QVector<int> &ids, const QVector<qint32> &bauds, const QVector<int> &parities)
{
    const Connectionfunc scanner;
    qint64 perIdAndParity = 0;
    for (int i = 0; i < BaudRates.size(); ++i)
        if (bauds.isEmpty() || bauds.contains(BaudRates.at(i)))
            perIdAndParity += scanner.waitTime(i);
    const int first = *std::min_element(ids.cbegin(), ids.cend());
    const int last = *std::max_element(ids.cbegin(), ids.cend());
    return perIdAndParity * (parities.isEmpty() ? 3 : parities.size()) * (last - first + 1);
}

ScanOutcome scanPorts(const QStringList &ports, const QVector<int> &ids, const QVector<qint32> &bauds,
                      const QVector<int> &parities, Output::Progress *progress)
{
    ScanOutcome outcome;
    const int first = *std::min_element(ids.cbegin(), ids.cend());
    const int last = *std::max_element(ids.cbegin(), ids.cend());
    QVector<int> baudIndexes;
    for (qint32 baud : bauds)
        baudIndexes.append(BaudRates.indexOf(baud));

    QMap<int, QVector<FoundDevice>> found;
    QMap<int, QString> errors;
    QMap<int, int> percent;
    int running = 0;
    QEventLoop loop;
    std::vector<std::unique_ptr<QThread>> threads;
    std::vector<std::unique_ptr<Connectionfunc>> scanners;
    static const QRegularExpression scanError(QStringLiteral("^Scan error:\\t (.*),\\((\\d+) :(.*)\\)$"));

    for (int p = 0; p < ports.size(); ++p) {
        auto scanner = std::make_unique<Connectionfunc>();
        scanner->set_search_mode(false);
        scanner->set_idrange(first, last);
        scanner->setSweepSettings(baudIndexes, parities);
        auto thread = std::make_unique<QThread>();
        scanner->moveToThread(thread.get());

        QObject::connect(scanner.get(), &Connectionfunc::sig_status, &loop, [&, p](const QString &line) {
            const QString echoed = ProcessLog::echoedPort(line);
            if (!echoed.isEmpty())
                Output::err(QStringLiteral("grivantctl: %1: %2").arg(echoed, ProcessLog::echoAdvice()));
            const QRegularExpressionMatch m = scanError.match(line);
            if (m.hasMatch())
                errors.insert(p, openFailureText(m.captured(1), QSerialPort::SerialPortError(m.captured(2).toInt()),
                                                 m.captured(3)));
        });
        QObject::connect(scanner.get(), &Connectionfunc::sig_search_process, &loop,
                         [&, p](const QString &text, int value) {
                             percent.insert(p, value);
                             if (!progress)
                                 return;
                             int sum = 0;
                             for (int v : percent)
                                 sum += v;
                             progress->show(QStringLiteral("scanning %1%  %2: %3")
                                                .arg(sum / qMax(1, ports.size()))
                                                .arg(ports.at(p), text));
                         });
        QObject::connect(scanner.get(), &Connectionfunc::sig_commu_para, &loop,
                         [&, p](const QStringList &result, const QByteArray &block) {
                             if (result.value(0) == QLatin1String("OK")) {
                                 FoundDevice d{result.value(1), result.value(2).toInt(), result.value(3).toInt(),
                                               result.value(4).toInt(), result.value(5).toInt(), block};
                                 if (!ids.contains(d.id))
                                     return;
                                 for (const FoundDevice &seen : found.value(p))
                                     if (seen.id == d.id && seen.block == d.block)
                                         return;
                                 found[p].append(d);
                             } else if (result.value(0) == QLatin1String("finished")) {
                                 if (--running == 0)
                                     loop.quit();
                             }
                         });
        thread->start();
        ++running;
        scanner->noteSweepRequested();
        QMetaObject::invokeMethod(scanner.get(), "slot_ScanGripper", Qt::QueuedConnection,
                                  Q_ARG(QStringList, QStringList{ports.at(p)}));
        threads.push_back(std::move(thread));
        scanners.push_back(std::move(scanner));
    }
    // A signal only raises a flag; the sweeps are told here, in this thread.
    QTimer signalCheck;
    QObject::connect(&signalCheck, &QTimer::timeout, &loop, [&scanners, &signalCheck] {
        if (!Interrupt::requested())
            return;
        signalCheck.stop();
        for (auto &scanner : scanners)
            scanner->set_search_stop();
    });
    signalCheck.start(50);
    if (running > 0)
        loop.exec();
    for (std::size_t i = 0; i < threads.size(); ++i) {
        threads[i]->quit();
        threads[i]->wait();
    }
    if (progress)
        progress->clear();
    for (int p = 0; p < ports.size(); ++p) {
        outcome.devices += found.value(p);
        if (errors.contains(p))
            outcome.portErrors << errors.value(p);
    }
    return outcome;
}
