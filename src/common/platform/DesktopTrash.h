#pragma once

#include "common/platform/Platform.h"

#include <QString>

// The desktop's trash as the freedesktop.org trash layout defines it, which the file managers and trash-cli share:
// a trash folder holds the file under files/ and its record (where it came from, when it was trashed) under
// info/. A file on the file system of the user's data folder goes to the home trash ($XDG_DATA_HOME/Trash); a file
// on another file system goes to that file system's own trash, $topdir/.Trash/$uid when the administrator has set
// up a shared one, else $topdir/.Trash-$uid. A file never goes anywhere else: when no trash can take it, nothing
// changes and the result says why.
//
// The record is complete and on the disk before the file arrives, so a trash never holds a file it cannot
// restore; a kill in between leaves at most a record whose file is missing, which trash tools skip.
enum class TrashMode {
    Move, // the file leaves its place
    Copy, // the file stays where it is: the trash gets a hard link to it, or a copy when no trash on the file's own
          // file system can be used (then the home trash takes it)
};

TrashResult putInTrash(const QString& path, TrashMode mode);
