#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

struct FolderListing;
class WorkProgress;

// The backup archive: a standard zip file (deflate, level 9) of one folder, entries named relative to it.

// Writes every file listFolderFiles finds below folder into a new zip archive at archivePath (made readable by its
// owner only when new), replacing what the file held. Each file is taken at the length it had when opened, and is
// stored as readable by its owner only. Fails when the folder holds no file, since an empty archive would restore
// nothing, when a file's name cannot be stored as it is, and when the zip library cannot be loaded; a failure or a
// cancel (through progress, which also counts the files) never leaves a partial archive behind. The archive is on
// the disk when this returns true.
// With listing, the files are those listFolder found just before, instead of a listing of its own.
bool writeFolderArchive(const QString& folder, const QString& archivePath, QString* error = nullptr,
                        WorkProgress* progress = nullptr, const FolderListing* listing = nullptr);

struct ExtractResult {
    enum Status {
        Extracted,
        TooLarge, // the entries would unpack to more than the space allowed
        Refused,  // not a readable zip archive, or an entry that could land outside the folder or is no plain file
        Failed,   // an entry could not be unpacked or written, or the zip library could not be loaded
        Cancelled // progress asked for a stop
    };
    Status status = Failed;
    QString error;
    QStringList files;   // relative paths of the files written, in archive order
    QStringList folders; // relative paths of the folders the archive names
    QStringList inPlace; // relative paths of the files that the folder compared with holds already, not written
};

// Unpacks the archive into folder, which should be empty. Every entry is checked before anything is written: its
// name must be relative without ".." parts (backslashes count as separators), it must be a plain file or a folder,
// and the files together may unpack to at most maxTotalSize bytes. While unpacking, no entry may grow beyond its
// declared size, and each must pass its checksum.
// With progress, the files are counted as they are unpacked, and a cancel stops the work before the next entry.
// With compareWith, a file that is there already as a plain file (no link on its way) with exactly the entry's
// bytes is not written but listed in inPlace; the entry is still read whole and its checksum checked. A name the
// archive holds twice, and "data.mdb" (which is checked as unpacked), are always written.
ExtractResult extractArchive(const QString& archivePath, const QString& folder, std::int64_t maxTotalSize,
                             WorkProgress* progress = nullptr, const QString& compareWith = {});
