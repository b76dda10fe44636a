#include "storage/NotePath.h"

#include "common/Files.h"

#include <QFileInfo>

NotePathCheck checkNotePath(const QString& programFolder, const QString& thePath) {
    const QString prefix = QStringLiteral("\\data\\");
    if (!thePath.startsWith(prefix)) {
        return {};
    }
    const QString name = thePath.mid(prefix.size());
    // The data files do not end in ".txt", so the name alone keeps them out.
    if (!name.endsWith(QStringLiteral(".txt")) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')) ||
        name.contains(QChar(0))) {
        return {};
    }
    const QString path = ProgramPath(programFolder, thePath);
    const QFileInfo info(path);
    if (info.isSymLink()) {
        return {};
    }
    if (!info.exists()) {
        return {NotePlace::Missing, path};
    }
    return info.isFile() ? NotePathCheck{NotePlace::Note, path} : NotePathCheck{};
}
