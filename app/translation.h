#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTranslator>

// Compiled translations (.qm files) are checked before Qt reads them: Qt's translator
// trusts every length and offset in the file, so a damaged or planted file would make it
// read far outside the data and crash the program.
namespace Translation {

// Larger than any translation of this program or of Qt's own modules.
constexpr qint64 MaxFileSize = 8 * 1024 * 1024;

// True when every part of the data that Qt's translator reads lies within it: the magic
// number, blocks that exactly fill the data, the context hash table and every context
// chain, and every message that the hash table points to, up to its end tag. A file that
// names other translations to load with it is refused too. Otherwise false, with the
// reason in *problem.
bool isSound(const QByteArray &data, QString *problem = nullptr);

// The program's own translation, built into it: ":/translations/<fileName>".
QString builtIn(const QString &fileName);

// Qt's own texts (the buttons of message boxes, the file dialogs) in the language: Qt's
// qtbase_<code>.qm from its translations folder, installed in place of the one installed
// before. English needs none. Safe to call again with the same code.
void applyQtTranslation(const QString &code);

} // namespace Translation

// A translator that takes only checked data, and keeps it for as long as Qt reads it.
class CheckedTranslator : public QTranslator
{
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    // Loads the first of the files that is a regular file of sensible size and passes the
    // check. Returns the path it loaded, or an empty text (with each refusal in *refused).
    QString loadFirst(const QStringList &paths, QStringList *refused = nullptr);

private:
    QByteArray m_data;
};
