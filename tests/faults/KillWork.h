#pragma once

// What the kill worker writes and the kill test expects: both sides derive a note's text and a category's name from
// the same number, so that the test can tell a whole note from a torn one.
#include <QString>

namespace killwork {

// Modes of the worker.
inline const QString kSaves = QStringLiteral("saves");
inline const QString kCategories = QStringLiteral("categories");
inline const QString kPreferences = QStringLiteral("preferences");
// Saves a note and deletes it again, into the real trash of the worker's XDG_DATA_HOME. Steps with odd ids save note
// id, steps with even ids delete note id - 1 (logged as "begin <id> delete <note id>").
inline const QString kDeletes = QStringLiteral("deletes");
// Backups of a data folder of a few thousand notes, one after the other; restores of two such archives in turn
// (archives\\A.dat, archives\\B.dat in the program folder, each put in place as the backup before its restore).
inline const QString kBackups = QStringLiteral("backups");
inline const QString kRestores = QStringLiteral("restores");
inline const QString kArchiveNames[] = {QStringLiteral("A"), QStringLiteral("B")};

inline const QString kNoteCategory = QStringLiteral("Work");
// The settings keys in the order the worker turns the boxes.
inline const QString kPreferenceKeys[] = {QStringLiteral("popup"), QStringLiteral("stayontop"),
                                          QStringLiteral("append")};

inline QString description(long id) {
    return QStringLiteral("note %1").arg(id);
}

// Lines of varying count, up to about 40 KB, so that kills land inside writes of several blocks too.
inline QString noteText(long id) {
    const long lines = (id * 7919) % 1000 + 1;
    QString text;
    for (long line = 0; line < lines; ++line) {
        text += QStringLiteral("Notiz %1 Zeile %2 \u00e4\u00f6\u00fc\n").arg(id).arg(line);
    }
    text += QStringLiteral("end of %1").arg(id);
    return text;
}

inline QString categoryName(long id) {
    return QStringLiteral("Kategorie \u00e9 %1").arg(id);
}

} // namespace killwork
