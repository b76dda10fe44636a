#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Replaces a file whole or not at all. The new contents go to a temporary file beside it, named as the file plus
// ".saving", which is flushed to the disk and then renamed over the file. A crash leaves the file as it was, at
// worst with the temporary file beside it: the one fixed name lets RemoveUnfinishedSaves clear such leftovers
// without guessing at files of other programs (QSaveFile's random names cannot be told apart from them).
class SavingFile {
public:
    static const QString kSuffix;

    explicit SavingFile(const QString& path);
    // Removes the temporary file unless it was committed.
    ~SavingFile();
    SavingFile(const SavingFile&) = delete;
    SavingFile& operator=(const SavingFile&) = delete;

    // Starts the temporary file; an existing file's permissions carry over to the new contents.
    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Flushes the temporary file to the disk and renames it over the file.
    bool commit();
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& why);

    QString m_path;
    QFile m_temporary;
    QString m_error;
    bool m_committed = false;
};

// Removes what interrupted saves of the named files in folder left behind.
void RemoveUnfinishedSaves(const QString& folder, const QStringList& names);
