// The archive's entry check on any bytes: whatever the archive holds, unpacking writes nothing outside the folder,
// makes no link, and lists exactly the files it wrote.
#include "FuzzFolder.h"

#include "backup/Archive.h"
#include "backup/LibZip.h"

#include <QDirIterator>
#include <QFileInfo>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Without libzip every input would fail alike and the run would try nothing.
    QString reason;
    if (libZip(&reason) == nullptr) {
        qFatal("libzip cannot be loaded: %s", qPrintable(reason));
    }
    const QDir sandbox(fuzzFolder().path());
    const QString archive = sandbox.filePath(QStringLiteral("backup.dat"));
    const QString folder = sandbox.filePath(QStringLiteral("unpacked"));
    QDir(folder).removeRecursively();
    sandbox.mkpath(QStringLiteral("unpacked"));
    writeWhole(archive, reinterpret_cast<const char*>(data), size);

    const ExtractResult result = extractArchive(archive, folder, 1024 * 1024);

    const QStringList top = sandbox.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    if (top != QStringList{QStringLiteral("backup.dat"), QStringLiteral("unpacked")}) {
        qFatal("written outside the folder: %s", qPrintable(top.join(QLatin1Char(' '))));
    }
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isSymLink()) {
            qFatal("a link was made: %s", qPrintable(it.filePath()));
        }
    }
    if (result.status == ExtractResult::Extracted) {
        for (const QString& file : result.files) {
            if (!QFileInfo(QDir(folder).filePath(file)).isFile()) {
                qFatal("listed but not written: %s", qPrintable(file));
            }
        }
    }
    return 0;
}
