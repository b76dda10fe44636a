#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary program folder: original/ with the three pristine files and an empty backup/. No data/ yet.
class TestFolder {
public:
    TestFolder();
    QString path() const { return m_dir.path(); }
    // The native path of a stored suffix such as "\data\data.mdb".
    QString file(const QString& suffix) const;
    bool exists(const QString& suffix) const;
    void write(const QString& suffix, const QByteArray& bytes) const;
    QByteArray read(const QString& suffix) const;
    void remove(const QString& suffix) const;
    // Copies original/ into data/, as a first start would.
    void makeData() const;

private:
    QTemporaryDir m_dir;
};
