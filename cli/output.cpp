#include "cli/output.h"

#include <QJsonDocument>
#include <QMutexLocker>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace Output {

namespace {

// The first failed write to stdout, by its errno; 0 while none failed.
int g_outError = 0;

void noteOutResult(bool ok)
{
    if (!ok && g_outError == 0)
        g_outError = errno != 0 ? errno : EIO;
}

bool isControl(uint c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// Characters that reorder or break lines on a terminal that follows Unicode.
bool isLayoutControl(uint c)
{
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x2028 || c == 0x2029
           || c == 0x200E || c == 0x200F || c == 0x061C;
}

bool wide(uint c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}
} // namespace

int displayWidth(const QString &text)
{
    int width = 0;
    for (uint c : text.toUcs4())
        width += wide(c) ? 2 : 1;
    return width;
}

QString printable(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const uint u = c.unicode();
        if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (isControl(u))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (isLayoutControl(u))
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QStringList table(const QStringList &header, const QVector<QStringList> &rows)
{
    QVector<int> widths(header.size(), 0);
    const auto measure = [&widths](const QStringList &row) {
        for (int i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = qMax(widths[i], displayWidth(row.at(i)));
    };
    QVector<QStringList> cells;
    for (const QStringList &row : rows) {
        QStringList clean;
        for (const QString &cell : row)
            clean << printable(cell);
        cells << clean;
    }
    measure(header);
    for (const QStringList &row : cells)
        measure(row);
    const auto line = [&widths](const QStringList &row) {
        QString text;
        for (int i = 0; i < row.size(); ++i) {
            text += row.at(i);
            if (i + 1 < row.size())
                text += QString(widths.value(i) - displayWidth(row.at(i)) + 2, QLatin1Char(' '));
        }
        // An empty last column leaves no blanks behind.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text;
    };
    QStringList lines{line(header)};
    for (const QStringList &row : cells)
        lines << line(row);
    return lines;
}

void out(const QString &text)
{
    noteOutResult(std::fputs(printable(text).toUtf8().constData(), stdout) >= 0);
    noteOutResult(std::fputc('\n', stdout) != EOF);
    noteOutResult(std::fflush(stdout) == 0);
}

void outJson(const QJsonDocument &document)
{
    const QString json = QString::fromUtf8(document.toJson(QJsonDocument::Indented)).trimmed();
    QString safe;
    safe.reserve(json.size());
    for (const QChar c : json) {
        const uint u = c.unicode();
        // Qt escapes what JSON requires (below 0x20); the rest is escaped here, which JSON allows.
        if ((isControl(u) && u != '\n') || isLayoutControl(u))
            safe += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    // The lines of the indented document hold no raw control character but their ends.
    for (const QString &line : safe.split(QLatin1Char('\n')))
        out(line);
}

int finish(int exitCode)
{
    noteOutResult(std::fflush(stdout) == 0 && !std::ferror(stdout));
    noteOutResult(std::fclose(stdout) == 0);
    if (g_outError == 0)
        return exitCode;
    // A reader that stopped reading (| head) knows it did; it is still no success.
    if (g_outError != EPIPE)
        err(QStringLiteral("grivantctl: cannot write the output: %1").arg(QString::fromLocal8Bit(std::strerror(g_outError))));
    return exitCode == 0 ? 1 : exitCode;
}

void err(const QString &text)
{
    std::fputs(printable(text).toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

Progress::Progress() : m_enabled(::isatty(STDERR_FILENO) == 1) {}

void Progress::show(const QString &text)
{
    if (!m_enabled)
        return;
    QMutexLocker lock(&m_mutex);
    std::fprintf(stderr, "\r\033[K%s", text.toUtf8().constData());
    std::fflush(stderr);
    m_shown = true;
}

void Progress::clear()
{
    if (!m_enabled)
        return;
    QMutexLocker lock(&m_mutex);
    if (m_shown)
        std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    m_shown = false;
}

} // namespace Output
