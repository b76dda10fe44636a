#pragma once

// Notes are private: every file and folder the program makes (the data folder, note files, key files, the database
// and its journal, the backup archive, restored files) is made readable by its owner only, through the process's
// file mode mask. Files that exist already keep their permissions.
void keepNewFilesPrivate();

// While one lives, the mask is the user's own again, so that a program started for the user (the editor that opens
// a note, the browser) makes its files as it always does.
class UserFileModes {
public:
    UserFileModes();
    ~UserFileModes();
    UserFileModes(const UserFileModes&) = delete;
    UserFileModes& operator=(const UserFileModes&) = delete;

private:
    unsigned m_programMask;
};
