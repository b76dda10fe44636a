// The note list: the notes of the current category, numbered in table order, and sorting by a column.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "categories/CategoryText.h"
#include "categories/CountCaption.h"
#include "notes/NoteListModel.h"
#include "notes/NoteListSort.h"
#include "storage/NoteDatabase.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeView>

#include "app/Twips.h"

#include <charconv>
#include <iterator>

void FrmMain::setupNoteList() {
    m_noteList = new NoteListModel(this);
    lvwNoteDatabase->setModel(m_noteList);
    lvwNoteDatabase->setRootIsDecorated(false);
    lvwNoteDatabase->setItemsExpandable(false);
    lvwNoteDatabase->setUniformRowHeights(true);
    lvwNoteDatabase->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwNoteDatabase->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwNoteDatabase->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwNoteDatabase->setAllColumnsShowFocus(true);
    // Header clicks sort through lvwNoteDatabase_ColumnClick; Qt's own sorting stays off.
    lvwNoteDatabase->setSortingEnabled(false);
    QHeaderView* header = lvwNoteDatabase->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setStretchLastSection(false);
    const int widths[] = {400, 2756, 1100, 1440};
    for (int column = 0; column < 4; ++column) {
        header->resizeSection(column, twipsToPixels(widths[column]));
    }
}

void FrmMain::LoadNoteList() {
    const QString databasePath = programPath(QStringLiteral("\\data\\data.mdb"));
    const QString category = TrimSpaces(cboChoose_Category->text());
    m_noteListRead = false;
    const auto failed = [this] { number_of_data_records = QStringLiteral("0"); };
    const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(databasePath);
    if (!db) {
        failed();
        return;
    }
    m_noteList->clear();
    const std::optional<std::int64_t> total = db->recordCount();
    if (!total) {
        failed();
        return;
    }
    if (*total == 0) {
        lblNumberOfNotes->setText(QStringLiteral("No Notes"));
        failed();
        m_noteListRead = true;
        return;
    }

    // Element 0 of the per-row tables is never used.
    NoteListModel::Rows rows;
    RowTexts paths;
    RowTexts keys;
    paths.append({});
    keys.append({});
    int n = 0;
    const bool read = db->listCategory(category, [&](const ListedNote& note) {
        ++n;
        rows.add(n, note.theDescription, note.theDate, note.theTime);
        paths.append(note.thePath);
        char digits[24];
        const auto written = std::to_chars(std::begin(digits), std::end(digits), note.theKey);
        keys.append(QUtf8StringView(digits, written.ptr - digits));
    });
    // A list without rows leaves the tables as they were; no row refers to them.
    if (n > 0) {
        notePaths = std::move(paths);
        noteKeys = std::move(keys);
    }
    m_noteList->setRows(std::move(rows));
    if (!read) {
        failed();
        return;
    }
    number_of_data_records = QString::number(*total);
    lblNumberOfNotes->setText(NoteCountCaption(n, number_of_data_records).value_or(lblNumberOfNotes->text()));
    m_noteListRead = true;
    releaseMemorySoon();
}

int FrmMain::noteListCount() const {
    return m_noteList->rowCount();
}

void FrmMain::lvwNoteDatabase_ColumnClick(int column) {
    switch (column) {
    case 1:
        SortListView(lvwNoteDatabase, column, QStringLiteral("NUMBER"));
        break;
    case 2:
        SortListView(lvwNoteDatabase, column, QString());
        break;
    case 3:
    case 4:
        SortListView(lvwNoteDatabase, column, QStringLiteral("DATE"));
        break;
    default:
        break;
    }
}
