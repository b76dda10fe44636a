#pragma once

#include "TestFolder.h"

#include "storage/NoteDatabase.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <stdexcept>

// The test classes of this folder, run one after the other by one executable.
int runCategoryTests(int argc, char** argv);
int runNoteListTests(int argc, char** argv);
int runListSortTests(int argc, char** argv);

// A category file holding names as keys 1..n and the given total.
inline void writeCategories(const TestFolder& folder, const QStringList& names, int total) {
    QByteArray bytes = "[main]\r\ntotal=" + QByteArray::number(total) + "\r\n[category]\r\n";
    for (int i = 0; i < names.size(); ++i) {
        bytes += QByteArray::number(i + 1) + '=' + names[i].toUtf8() + "\r\n";
    }
    folder.write(QStringLiteral("\\data\\category.dat"), bytes);
}

inline void writeCategories(const TestFolder& folder, const QStringList& names) {
    writeCategories(folder, names, static_cast<int>(names.size()));
}

inline std::unique_ptr<NoteDatabase> openDatabase(const TestFolder& folder) {
    auto db = NoteDatabase::open(folder.file(QStringLiteral("\\data\\data.mdb")));
    if (!db) {
        throw std::runtime_error("cannot open the test database");
    }
    return db;
}

// Adds a note record (no note file) and returns its key.
inline std::int64_t addNote(const TestFolder& folder, const QString& category, const QString& description,
                            const QString& date = QStringLiteral("12/08/26"),
                            const QString& time = QStringLiteral("2:05:09 PM")) {
    NoteRecord record;
    record.theDate = date;
    record.theTime = time;
    record.theCategory = category;
    record.theDescription = description;
    record.thePath = QStringLiteral("\\data\\") + description + QStringLiteral(".txt");
    return openDatabase(folder)->add(record).value();
}
