#include "app/translation.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QPointer>
#include <QtEndian>

#include <cstring>

// The translations built into the program come as a resource collection of their own;
// registered on first use (Q_INIT_RESOURCE has to be used outside any namespace).
static void registerBuiltInTranslations()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(translations);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

// The layout Qt's translator reads: a magic number, then blocks of a tag byte, a 32-bit
// length (big-endian) and the data.
const uchar kMagic[16] = {0x3c, 0xb8, 0x64, 0x18, 0xca, 0xef, 0x9c, 0x95,
                          0xcd, 0x21, 0x1c, 0xbf, 0x60, 0xa1, 0xbd, 0xdd};
enum Block : uchar {
    Contexts = 0x2f, Hashes = 0x42, Messages = 0x69, NumerusRules = 0x88, Dependencies = 0x96,
    Language = 0xa7,
};
// Items of one message.
enum Item : uchar {
    End = 1, Obsolete1 = 2, Translation = 3, SourceText = 6, Context = 7, Comment = 8,
};

struct Span
{
    const uchar *data = nullptr;
    quint32 size = 0;
    bool present = false;

    bool has(quint32 at, quint32 count) const { return at <= size && count <= size - at; }
    quint16 word(quint32 at) const { return qFromBigEndian<quint16>(data + at); }
    quint32 dword(quint32 at) const { return qFromBigEndian<quint32>(data + at); }
};

bool refuse(QString *problem, const QString &reason)
{
    if (problem)
        *problem = reason;
    return false;
}

// Every chain of context names starts inside the block and ends with an empty name.
bool contextsSound(const Span &c, QString *problem)
{
    if (!c.has(0, 2) || c.word(0) == 0)
        return refuse(problem, QStringLiteral("context table without buckets"));
    const quint32 buckets = c.word(0);
    if (!c.has(2, 2 * buckets))
        return refuse(problem, QStringLiteral("context table larger than its block"));
    for (quint32 bucket = 0; bucket < buckets; ++bucket) {
        const quint16 offset = c.word(2 + 2 * bucket);
        if (offset == 0)
            continue;
        quint32 at = 2 + 2 * buckets + 2 * quint32(offset);
        for (;;) {
            if (!c.has(at, 1))
                return refuse(problem, QStringLiteral("context chain leaves its block"));
            const quint8 length = c.data[at];
            if (length == 0)
                break;
            if (!c.has(at + 1, length))
                return refuse(problem, QStringLiteral("context name leaves its block"));
            at += 1 + length;
        }
    }
    return true;
}

// One message, walked as Qt walks it: up to its end tag (or the block's end), every item
// whole within the block.
bool messageSound(const Span &m, quint32 at, QString *problem)
{
    while (at < m.size) {
        const uchar item = m.data[at++];
        switch (item) {
        case End:
            return true;
        case Obsolete1:
            if (!m.has(at, 4))
                return refuse(problem, QStringLiteral("message item leaves its block"));
            at += 4;
            break;
        case Translation:
        case SourceText:
        case Context:
        case Comment: {
            // A null translation: Qt steps back onto the length's last byte, 0xff, an
            // unknown item, and ends the message there.
            if (item == Translation && m.has(at, 4) && m.dword(at) == 0xFFFFFFFFu)
                return true;
            if (!m.has(at, 4) || !m.has(at + 4, m.dword(at)))
                return refuse(problem, QStringLiteral("message text leaves its block"));
            at += 4 + m.dword(at);
            // Qt looks at the first byte of a comment even when it is empty.
            if (item == Comment && at >= m.size)
                return refuse(problem, QStringLiteral("message ends in a comment"));
            break;
        }
        default:
            return refuse(problem, QStringLiteral("unknown message item %1").arg(item));
        }
    }
    return true;
}

QByteArray readSmallFile(const QString &path, QString *problem)
{
    const QFileInfo info(path);
    // Only a regular file: a FIFO or a device would block the start or never end.
    if (!info.exists()) {
        *problem = QStringLiteral("missing");
        return QByteArray();
    }
    if (!info.isFile()) {
        *problem = QStringLiteral("not a regular file");
        return QByteArray();
    }
    if (info.size() > Translation::MaxFileSize) {
        *problem = QStringLiteral("%1 bytes, too large").arg(info.size());
        return QByteArray();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *problem = file.errorString();
        return QByteArray();
    }
    const QByteArray data = file.read(Translation::MaxFileSize + 1);
    if (data.size() > Translation::MaxFileSize)
        *problem = QStringLiteral("grew too large while read");
    return data.size() > Translation::MaxFileSize ? QByteArray() : data;
}

} // namespace

namespace Translation {

bool isSound(const QByteArray &bytes, QString *problem)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const quint32 size = quint32(bytes.size());
    if (bytes.size() > MaxFileSize)
        return refuse(problem, QStringLiteral("too large"));
    if (size < sizeof kMagic || memcmp(data, kMagic, sizeof kMagic) != 0)
        return refuse(problem, QStringLiteral("not a compiled translation"));

    Span contexts, hashes, messages;
    bool seen[256] = {};
    for (quint32 at = sizeof kMagic; at < size;) {
        if (size - at < 5)
            return refuse(problem, QStringLiteral("truncated block header"));
        const uchar tag = data[at];
        const quint32 length = qFromBigEndian<quint32>(data + at + 1);
        at += 5;
        if (length == 0 || length > size - at)
            return refuse(problem, QStringLiteral("block 0x%1 of length %2 does not fit")
                                       .arg(tag, 2, 16, QLatin1Char('0')).arg(length));
        if (seen[tag])
            return refuse(problem, QStringLiteral("block 0x%1 twice").arg(tag, 2, 16, QLatin1Char('0')));
        seen[tag] = true;
        const Span span{data + at, length, true};
        switch (tag) {
        case Contexts: contexts = span; break;
        case Hashes: hashes = span; break;
        case Messages: messages = span; break;
        case NumerusRules: // checked by Qt itself
        case Language:
            break;
        case Dependencies:
            return refuse(problem, QStringLiteral("names other translations to load"));
        default:
            return refuse(problem, QStringLiteral("unknown block 0x%1").arg(tag, 2, 16, QLatin1Char('0')));
        }
        at += length;
    }

    if (contexts.present && !contextsSound(contexts, problem))
        return false;
    if (hashes.size % 8 != 0)
        return refuse(problem, QStringLiteral("hash table of a partial entry"));
    for (quint32 entry = 0; entry < hashes.size; entry += 8) {
        const quint32 offset = hashes.dword(entry + 4);
        if (offset >= messages.size)
            return refuse(problem, QStringLiteral("hash entry points outside the messages"));
        if (!messageSound(messages, offset, problem))
            return false;
    }
    return true;
}

QString builtIn(const QString &fileName)
{
    registerBuiltInTranslations();
    return QStringLiteral(":/translations/") + fileName;
}

void applyQtTranslation(const QString &code)
{
    // One for the process, whichever window switches the language; it goes with the
    // application object.
    static QPointer<CheckedTranslator> s_qt;
    static QString s_code;
    if (s_qt && s_code == code)
        return;
    if (s_qt) {
        QCoreApplication::removeTranslator(s_qt);
        delete s_qt;
    }
    s_code = code;
    if (code != QLatin1String("zh_CN") || !QCoreApplication::instance())
        return;
    s_qt = new CheckedTranslator(QCoreApplication::instance());
    const QString folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    if (!s_qt->loadFirst({folder + QLatin1String("/qtbase_") + code + QLatin1String(".qm")}).isEmpty())
        QCoreApplication::installTranslator(s_qt);
}

} // namespace Translation

QString CheckedTranslator::loadFirst(const QStringList &paths, QStringList *refused)
{
    for (const QString &path : paths) {
        QString problem;
        QByteArray data = readSmallFile(path, &problem);
        if (problem.isEmpty() && !Translation::isSound(data, &problem))
            data.clear();
        if (problem.isEmpty()) {
            // Qt reads the data where it lies: it stays with this translator.
            m_data = data;
            if (load(reinterpret_cast<const uchar *>(m_data.constData()), m_data.size()))
                return path;
            problem = QStringLiteral("not loaded");
        }
        if (refused)
            *refused << QStringLiteral("%1: %2").arg(path, problem);
    }
    m_data.clear();
    return QString();
}
