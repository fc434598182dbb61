#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>

// Text for people: columns aligned by their width on a terminal (a Chinese character takes
// two cells), written as UTF-8 whatever the locale.
namespace Output {

int displayWidth(const QString &text);
QStringList table(const QStringList &header, const QVector<QStringList> &rows);
void out(const QString &text);
void err(const QString &text);

// One updating status line on stderr while work goes on, so that a person sees the tool
// is alive; silent when stderr is not a terminal. Any thread may report.
class Progress
{
public:
    Progress();
    bool enabled() const { return m_enabled; }
    void show(const QString &text);
    void clear();

private:
    QMutex m_mutex;
    bool m_enabled = false;
    bool m_shown = false;
};

} // namespace Output
