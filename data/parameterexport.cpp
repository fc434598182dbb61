#include "data/parameterexport.h"

#include <QSaveFile>

namespace ParameterExport {

QString fileName(const QString &modelName, const QString &uniqueId)
{
    return modelName + QLatin1Char('_') + uniqueId + QStringLiteral(".csv");
}

QString fileText(const QVector<TableTexts> &tables, const QString &remark)
{
    QString text;
    for (const TableTexts &table : tables) {
        text += QLatin1Char(' ');
        for (const QString &description : table.descriptions)
            text += QLatin1Char(',') + description;
        text += QLatin1Char('\n') + table.title;
        for (const QString &value : table.values)
            text += QLatin1Char(',') + value;
        text += QLatin1Char('\n');
    }
    return text + QStringLiteral("Remark:\n") + remark;
}

bool writeFile(const QString &path, const QByteArray &content, QString *reason)
{
    // Unbuffered, so that every write reaches the system at once and a failure is seen
    // here with its reason: commit() does not report a failed flush of a buffer. A write
    // cut short (a full disk) is repeated for the rest, which then fails with the cause.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return false;
    }
    for (qint64 written = 0; written < content.size();) {
        const qint64 count = file.write(content.constData() + written, content.size() - written);
        if (count <= 0) {
            *reason = file.errorString();
            file.cancelWriting();
            return false;
        }
        written += count;
    }
    if (!file.commit()) {
        *reason = file.errorString();
        return false;
    }
    return true;
}

} // namespace ParameterExport
