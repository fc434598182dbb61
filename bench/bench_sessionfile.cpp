// What reading a big session costs: a file of a window's polling made up (the feedback
// block at 66 reads a second, the other groups now and then, four million frames by
// default), then `grivantctl session info` and `session export`, the simulator's --replay
// and the window's replay each open it, and their peak resident memory is set beside the
// file's size. Prints figures, asserts nothing.
//
//   bench_sessionfile [frames, default 4000000]
#include "app/mainwindow.h"
#include "engine/sessionwriter.h"
#include "support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

QByteArray withCrc(QByteArray frame)
{
    quint16 crc = 0xFFFF;
    for (char c : frame) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return frame.append(char(crc & 0xFF)).append(char(crc >> 8));
}

// The header and tables from the writer, then the frames in one transaction.
bool makeFile(const QString &path, qint64 frames)
{
    SessionHeader h;
    h.program = QStringLiteral("bench");
    h.startEpochUs = SessionWriter::nowEpochUs();
    h.port = QStringLiteral("/dev/ttyUSB0");
    h.ident = QByteArray::fromHex("270101020217000100003412");
    h.modelName = QStringLiteral("GZB-50W");
    h.language = QStringLiteral("en_US");
    h.mapName = QStringLiteral("gripper");
    SessionWriter writer;
    if (!writer.start(path, h, nullptr, nullptr, SessionWriter::Replace) || !writer.finish())
        return false;
    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_exec(db, "PRAGMA synchronous = OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO frames (t_us, direction, server, function, address, count, bytes)"
                           " VALUES (?, ?, 1, 3, ?, ?, ?)", -1, &insert, nullptr);
    struct Block { quint16 start; quint8 count; };
    const Block others[] = {{0x0000, 6}, {0x0100, 12}, {0x0300, 30}, {0x0400, 16}, {0x0500, 12}, {0x0A00, 6}};
    qint64 t = 0;
    for (qint64 i = 0; i < frames / 2; ++i) {
        const Block b = i % 8 == 7 ? others[(i / 8) % 6] : Block{0x0200, 14};
        QByteArray answer(1, char(2 * b.count));
        for (int r = 0; r < b.count; ++r)
            answer.append(char(0)).append(char((i + r) & 0xFF));
        const QByteArray request = withCrc(QByteArray::fromHex("0103") + QByteArray(1, char(b.start >> 8))
                                           + QByteArray(1, char(b.start & 0xFF)) + QByteArray::fromHex("00")
                                           + QByteArray(1, char(b.count)));
        const QByteArray reply = withCrc(QByteArray::fromHex("0103") + answer);
        for (int direction = 0; direction < 2; ++direction) {
            const QByteArray &bytes = direction ? reply : request;
            sqlite3_bind_int64(insert, 1, t + direction * 4000);
            sqlite3_bind_int(insert, 2, direction);
            sqlite3_bind_int(insert, 3, b.start);
            sqlite3_bind_int(insert, 4, b.count);
            sqlite3_bind_blob(insert, 5, bytes.constData(), bytes.size(), SQLITE_TRANSIENT);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        t += 15000;
    }
    sqlite3_finalize(insert);
    const QByteArray duration = "UPDATE session SET value = " + QByteArray::number(t) + " WHERE key = 'duration_us'";
    sqlite3_exec(db, duration.constData(), nullptr, nullptr, nullptr);
    const bool ok = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

struct Child
{
    double seconds = 0;
    double peakMb = 0;
    int status = -1;
};

// Runs a program to its end, or until it has written its first line and then a SIGTERM:
// its time and its peak resident memory.
Child runChild(const QStringList &args, bool untilFirstLine = false)
{
    std::vector<QByteArray> storage;
    std::vector<char *> argv;
    for (const QString &a : args)
        storage.push_back(QFile::encodeName(a));
    for (QByteArray &a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0)
        return Child();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Child child;
    const bool spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned) {
        char c = 0;
        while (read(out[0], &c, 1) == 1)
            if (c == '\n' && untilFirstLine) {
                kill(pid, SIGTERM);
                break;
            }
        rusage usage{};
        wait4(pid, &child.status, 0, &usage);
        child.seconds = clock.nsecsElapsed() / 1e9;
        child.peakMb = usage.ru_maxrss / 1024.0;
    }
    close(out[0]);
    return child;
}

double statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').first().toDouble() / 1024;
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    Bench::useOffscreenAndSimulator(DEVSIM_PATH);
    Bench::hideDebugLines();
    QApplication app(argc, argv);
    const qint64 frames = argc > 1 ? qMax(1000LL, atoll(argv[1])) : 4000000;
    QTemporaryDir dir;
    const QString file = dir.filePath("big.grivant-session");
    QElapsedTimer clock;
    clock.start();
    if (!makeFile(file, frames)) {
        std::fprintf(stderr, "cannot make %s\n", qPrintable(file));
        return 1;
    }
    const double fileMb = QFileInfo(file).size() / 1048576.0;
    std::printf("A session of %lld frames (%.0f bytes a frame): %.1f MB, made in %.0f s\n", frames,
                QFileInfo(file).size() / double(frames), fileMb, clock.elapsed() / 1000.0);
    std::printf("%-44s %9s %10s %8s\n", "reader", "seconds", "peak MB", "x file");
    auto row = [&](const char *what, const char *key, double seconds, double peakMb) {
        std::printf("%-44s %9.1f %10.1f %8.2f\n", what, seconds, peakMb, peakMb / fileMb);
        std::printf("@sessionfile.%s_mb %.1f\n@sessionfile.%s_ratio %.2f\n", key, peakMb, key, peakMb / fileMb);
    };
    std::printf("@sessionfile.file_mb %.1f\n", fileMb);

    Child c = runChild({GRIVANTCTL_PATH, "session", "info", file});
    row("grivantctl session info", "info", c.seconds, c.peakMb);
    const QString csv = dir.filePath("big.csv");
    c = runChild({GRIVANTCTL_PATH, "session", "export", file, "--csv", csv});
    row("grivantctl session export", "export", c.seconds, c.peakMb);
    std::printf("  (the CSV: %.1f MB)\n", QFileInfo(csv).size() / 1048576.0);
    QFile::remove(csv);
    // The simulator reads the file before it names its terminal, and is ended then.
    c = runChild({DEVSIM_PATH, "--replay", file, "--link", dir.filePath("replay")}, true);
    row("grivant-devsim --replay, up to serving", "devsim", c.seconds, c.peakMb);

    MainWindow window;
    const double before = statusMb("VmRSS:");
    clock.restart();
    QString error;
    if (!window.openSession(file, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const double opened = clock.elapsed() / 1000.0;
    const double peak = statusMb("VmHWM:");
    row("the window's replay (whole process)", "window", opened, peak);
    std::printf("  the window before it opened the file: %.1f MB; growth %.1f MB (%.2f x the file)\n", before,
                peak - before, (peak - before) / fileMb);
    std::printf("@sessionfile.window_growth_ratio %.2f\n", (peak - before) / fileMb);
    return 0;
}
