#pragma once

// A small file system of a test's own, put over a folder that the test already made (its program folder): a tmpfs
// mounted inside a mount namespace of the test process, so that it vanishes with the process whatever happens. It
// can be filled to the last byte and made read-only. Mounting needs root and may be refused by a sandbox: then
// mounted() is false and the test works with obstacles instead.
#include <QString>

#include <cstdint>

class SmallDisk {
public:
    // Mounts size bytes over folder and copies back what folder held.
    SmallDisk(const QString& folder, std::int64_t size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    QString why() const { return m_why; }

    // Takes every free byte; empty() gives them back.
    bool fill();
    void empty();
    bool setReadOnly(bool readOnly);

private:
    QString m_folder;
    QString m_filler;
    QString m_why;
    bool m_mounted = false;
};
