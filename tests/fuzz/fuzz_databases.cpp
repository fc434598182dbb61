// The register map and model loaders fed a hostile SQLite file: whatever the file holds,
// loading ends with a map or an error text, and every address in a map fits 16 bits.
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {
QString g_path;

// Loaders warn about every row they skip; thousands of runs a second need no such lines.
void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The SQL driver is a plugin: it needs the application object.
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(quiet);
    g_path = QStringLiteral("/tmp/grivant-fuzz-%1.db").arg(getpid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(g_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    for (const char *language : {"en_US", "zh_CN"}) {
        VXRegisterDatabase registers(nullptr, QString::fromLatin1(language));
        if (!registers.openDatabase(g_path))
            continue;
        if (const RegisterMap *map = registers.registerMap()) {
            for (auto it = map->registerDescriptions.cbegin(); it != map->registerDescriptions.cend(); ++it)
                if (it.key() < 0 || it.key() > 0xFFFF)
                    std::abort();
            for (auto it = map->groupNames.cbegin(); it != map->groupNames.cend(); ++it)
                if (it.key() < 0 || it.key() > 0xFF)
                    std::abort();
        } else if (registers.lastError().isEmpty()) {
            std::abort();
        }
    }
    VEVirurodOzoviDatabase models;
    if (models.openDatabase(g_path) && !models.modelMap() && models.lastError().isEmpty())
        std::abort();
    QFile::remove(g_path);
    return 0;
}
