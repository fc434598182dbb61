#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Widget-free pieces of the parameter export: the file name, the file's text built from
// the register tables' texts, and the safe write of the encoded file.
namespace ParameterExport {

// What one register tab contributes: its title and, row by row, the texts of the
// Description and Value cells.
struct TableTexts
{
    QString title;
    QStringList descriptions;
    QStringList values;
};

// A text from a device or a database made fit to be part of a file name: separators,
// characters Windows refuses, control characters, runs of dots and a dot at either end
// become "_".
QString plainNamePart(const QString &text);

// "<model>_<unique ID>.csv", in the working directory: a plain name, never a path, whatever
// the model name and unique ID hold. A parameter backup's default name takes "json".
QString fileName(const QString &modelName, const QString &uniqueId,
                 const QString &extension = QStringLiteral("csv"));

// Per table a description line (a blank, then ",<description>" per row) and a value line
// (the title, then ",<value>" per row); then "Remark:" and the remark as typed. Lines end
// in a single line feed; the remark gets none added. Fields are written as they are.
QString fileText(const QVector<TableTexts> &tables, const QString &remark);


} // namespace ParameterExport
