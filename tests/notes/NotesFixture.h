#pragma once

// A started window with categories, a trash folder of its own and the clipboard clock stopped, and the ways these
// tests look at what a save or delete left behind.
#include "TestWindow.h"

#include "storage/NoteDatabase.h"

#include <QStringList>
#include <QTemporaryDir>

#include <vector>

class NotesFixture {
public:
    // Writes the category file and starts the window; false when start-up did not go on.
    bool start(const QStringList& categories = {});

    TestWindow t;
    QTemporaryDir trash;

    // Every record of data.mdb in table order; fails the test when the database cannot be read.
    std::vector<NoteRecord> records() const;
    // The note files of the data folder, by name.
    QStringList noteFiles() const;
    // The stored bytes of a record's note file.
    QByteArray fileOf(const NoteRecord& record) const { return t.folder.read(record.thePath); }

    // Chooses a listed category as a user does.
    void choose(const QString& category);
    // Types a category that may not be listed yet.
    void typeCategory(const QString& category);
    // Fills description and note and presses Save; the window is put back on screen if the save sent it away.
    void save(const QString& description, const QString& text);

    // The database view, as "Open Database" shows it.
    void openList();
    // Row (0-based, as shown) of the list: a click, and a double click as a user makes it.
    void clickRow(int row);
    void doubleClickRow(int row);
    // Position of the row showing the description, -1 when none does.
    int rowOf(const QString& description);
};
