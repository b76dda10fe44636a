#include "TestFolder.h"

#include "common/Files.h"
#include "storage/Pristine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

TestFolder::TestFolder() {
    if (!m_dir.isValid() || !QDir(path()).mkpath(QStringLiteral("original")) ||
        !QDir(path()).mkpath(QStringLiteral("backup")) || !writePristineFiles(path() + QStringLiteral("/original"))) {
        throw std::runtime_error("cannot make a test program folder");
    }
}

QString TestFolder::file(const QString& suffix) const {
    return ProgramPath(path(), suffix);
}

bool TestFolder::exists(const QString& suffix) const {
    return QFileInfo::exists(file(suffix));
}

void TestFolder::write(const QString& suffix, const QByteArray& bytes) const {
    const QString target = file(suffix);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile f(target);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        throw std::runtime_error("cannot write a test file");
    }
}

QByteArray TestFolder::read(const QString& suffix) const {
    QFile f(file(suffix));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void TestFolder::remove(const QString& suffix) const {
    QFile::remove(file(suffix));
}

void TestFolder::makeData() const {
    QDir().mkpath(file(QStringLiteral("\\data")));
    for (const char* name : {"data.mdb", "category.dat", "settings.dat"}) {
        const QString n = QString::fromLatin1(name);
        QFile::copy(file(QStringLiteral("\\original\\") + n), file(QStringLiteral("\\data\\") + n));
    }
}
