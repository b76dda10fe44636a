#pragma once

#include <QString>

// Where the program keeps its files. The layout around the executable decides, never permissions:
// - original/ beside the executable: the portable form. data/, backup/, original/ and the About page are all in
//   the executable's folder, also on read-only media.
// - otherwise, with ../share/scribbet/original beside the executable's folder: the installed form. The user's
//   own folder ($XDG_DATA_HOME/scribbet) holds data/ and backup/; the pristine files and the About page are read
//   from <prefix>/share/scribbet.
// - neither: the portable form, and start-up finds the database missing as usual.
struct ProgramFolders {
    // The folder that the program's paths ("\data\data.mdb", "\backup\backup.dat") start from.
    QString programFolder;
    // The folder that original/ and about.html are read from.
    QString sharedFolder;
    bool installed = false;

    // Both in one folder: the portable form.
    static ProgramFolders portable(const QString& folder) { return {folder, folder, false}; }
};

ProgramFolders locateProgramFolders(const QString& executableFolder);

// The folder of the running executable, known before any application object exists.
QString executableFolder();

// The installed form's program folder of this user: $XDG_DATA_HOME/scribbet, ~/.local/share/scribbet by default.
QString userProgramFolder();

// Makes the folder owner-only when it is missing (its parents as needed); true when it is there afterwards.
bool makePrivateFolder(const QString& folder);
