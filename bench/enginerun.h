// The polling engine with the connection window's link against a port, as the window polls
// a gripper: every group at period 0. Shared by the benchmarks that measure polling.
#pragma once

#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "support.h"
#include "tools/devsim/rtu.h"

#include <QElapsedTimer>

namespace Bench {

struct Group {
    quint16 address;
    quint16 count;
};

// The gripper's register groups as the program polls them.
inline const Group kGroups[] = {{0x0000, 1}, {0x0100, 10}, {0x0200, 14}, {0x0300, 7},
                                {0x0400, 17}, {0x0500, 12}, {0x0A00, 6}};

// Time one read of `count` registers needs on the line at 8N1: an 8-byte request and a
// (5 + 2N)-byte reply, each frame with the silence that ends it.
inline double lineSeconds(int count, int baud)
{
    return rtu::transactionSeconds(8, size_t(5 + 2 * count), baud, false, 1);
}

struct Figures {
    int transactions = 0;
    double seconds = 0;
    double lineSeconds = 0; // the same transactions at the line limit
    int failures = 0;
    double rate() const { return seconds > 0 ? (transactions) / seconds : 0; }
    double limit() const { return lineSeconds > 0 ? transactions / lineSeconds : 0; }
};

inline Figures runEngine(const QString &port, int baud, int ms)
{
    ConnectionForm form(nullptr, "en_US");
    VX_Ctl engine;
    QObject::connect(&engine, &VX_Ctl::SendReadRequest, &form, &ConnectionForm::Read_Register);
    QObject::connect(&engine, &VX_Ctl::SendWriteRequest, &form, &ConnectionForm::Write_MutipRegister);

    Figures f;
    QElapsedTimer clock;
    bool counting = false;
    qint64 first = 0, last = 0;
    QObject::connect(&form, &ConnectionForm::SendReceviedData, &form, [&](QByteArray data) {
        if (!counting)
            return;
        if (data.size() < 3) {
            ++f.failures;
            return;
        }
        const qint64 now = clock.nsecsElapsed();
        if (f.transactions == 0)
            first = now;
        else
            f.lineSeconds += lineSeconds(quint8(data.at(2)), baud);
        last = now;
        ++f.transactions;
    });
    QObject::connect(&form, &ConnectionForm::SendReceviedData, &engine, &VX_Ctl::ReceviedData);

    form.setLinkParameters(port, baud, 0, 1, 1);
    form.ComPort_Connect();
    spin(100);
    for (const Group &g : kGroups)
        engine.Add_readregisterList(g.address, g.count, 0);
    clock.start();
    engine.start();
    engine.ReadEnable(true);
    spin(300); // settle
    counting = true;
    spin(ms);
    counting = false;
    engine.SetStop();
    engine.wait();
    form.ComPort_Disconnect();

    // Rate over the intervals between the first and the last reply counted.
    f.seconds = (last - first) / 1e9;
    f.transactions = qMax(0, f.transactions - 1);
    return f;
}

} // namespace Bench
