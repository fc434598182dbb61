#include "cli/output.h"

#include <QMutexLocker>

#include <cstdio>
#include <unistd.h>

namespace Output {

namespace {
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

QStringList table(const QStringList &header, const QVector<QStringList> &rows)
{
    QVector<int> widths(header.size(), 0);
    const auto measure = [&widths](const QStringList &row) {
        for (int i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = qMax(widths[i], displayWidth(row.at(i)));
    };
    measure(header);
    for (const QStringList &row : rows)
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
    for (const QStringList &row : rows)
        lines << line(row);
    return lines;
}

void out(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void err(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stderr);
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
