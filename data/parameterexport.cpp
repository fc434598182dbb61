#include "data/parameterexport.h"

#include <QRegularExpression>
#include <QSaveFile>

namespace ParameterExport {

QString plainNamePart(const QString &text)
{
    // Separators of every platform, what Windows does not allow in a name, and control
    // characters (a terminal escape or a line break in a name misleads whoever lists it).
    static const QString kRefused = QStringLiteral("/\\:*?\"<>|");
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text)
        plain += c.category() == QChar::Other_Control || kRefused.contains(c) ? QLatin1Char('_') : c;
    // No run of dots (".." names the folder above wherever it stands in a path), and no dot
    // at either end, where it would meet the next part's dot or hide the file.
    static const QRegularExpression kDots(QStringLiteral("\\.{2,}|^\\.|\\.$"));
    return plain.replace(kDots, QStringLiteral("_"));
}

QString fileName(const QString &modelName, const QString &uniqueId, const QString &extension)
{
    return plainNamePart(modelName) + QLatin1Char('_') + plainNamePart(uniqueId) + QLatin1Char('.') + extension;
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

} // namespace ParameterExport
