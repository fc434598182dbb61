#pragma once

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>

class QJsonDocument;

// Text for people: columns aligned by their width on a terminal (a Chinese character takes
// two cells), written as UTF-8 whatever the locale.
namespace Output {

int displayWidth(const QString &text);
// The text with every control character written as an escape (\x1b, \n...), and the
// characters that turn the direction of text: a name in a file or a device must not move
// the cursor, change colours or fake lines on the operator's terminal.
QString printable(const QString &text);
QStringList table(const QStringList &header, const QVector<QStringList> &rows);
// One line each, made printable.
void out(const QString &text);
void err(const QString &text);
// A document as indented JSON; control characters that JSON lets through raw (DEL and the
// C1 range) are written as \u escapes too.
void outJson(const QJsonDocument &document);
// Flushes and closes stdout. A write to it that failed (a full disk, a closed pipe) is an
// error: said on stderr, and the exit status is not 0. Returns the status to exit with.
int finish(int exitCode);

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
