#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QTemporaryDir;

// Copies of the shipped databases for a working directory that cannot take them. Whatever
// is left there under a database's name may be stale, or planted by whoever else can write
// the folder, so it is never opened: the program's own copy goes into a folder made for
// this process (readable by its user only), which goes when this object does.
class PrivateCopies : public QObject
{
    Q_OBJECT

public:
    explicit PrivateCopies(QObject *parent = nullptr);
    ~PrivateCopies() override;

    // Copies the resource into the private folder under fileName and returns the copy's
    // path; an empty path when it cannot be made, with the reason in *problem.
    QString place(const QString &resource, const QString &fileName, QString *problem);

private:
    std::unique_ptr<QTemporaryDir> m_folder;
};
