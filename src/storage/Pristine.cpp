#include "storage/Pristine.h"

#include "storage/NoteDatabase.h"

#include <QDir>
#include <QSaveFile>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) {
        return true;
    }
    if (error != nullptr) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
    }
    return false;
}

} // namespace

bool writePristineFiles(const QString& folder, QString* error) {
    const QDir dir(folder);
    return NoteDatabase::createSchema(dir.filePath(QStringLiteral("data.mdb")), error) &&
           writeFile(dir.filePath(QStringLiteral("category.dat")), "[main]\r\ntotal=0\r\n", error) &&
           writeFile(dir.filePath(QStringLiteral("settings.dat")),
                     "[settings]\r\npopup=1\r\nstayontop=0\r\nappend=0\r\n", error);
}
