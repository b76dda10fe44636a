// Showing a note chosen in the find window.
#include "app/FrmMain.h"

#include "categories/CategoryBox.h"
#include "notes/NoteListModel.h"

#include <QItemSelectionModel>
#include <QTreeView>

void FrmMain::showFoundNote(std::int64_t theKey, const QString& theCategory) {
    if (m_ended) {
        return;
    }
    NoSysIcon(true);
    bringForward();
    ShowDatabaseView();
    int position = -1;
    for (int i = 0; i < cboChoose_Category->listCount(); ++i) {
        if (cboChoose_Category->item(i) == theCategory) {
            position = i;
            break;
        }
    }
    if (position >= 0) {
        selectCategory(position);
    } else {
        // A category that is not in the category file is typed into the box and listed as a chosen one.
        setCategoryText(theCategory);
        cboChoose_Category_Click();
    }
    const QString key = QString::number(theKey);
    for (int row = 0; row < m_noteList->rowCount(); ++row) {
        const int number = m_noteList->number(row);
        if (number > 0 && static_cast<std::size_t>(number) < noteKeys.size() && noteKeys[number] == key) {
            const QModelIndex index = m_noteList->index(row, 0);
            lvwNoteDatabase->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                                          QItemSelectionModel::Rows);
            lvwNoteDatabase->scrollTo(index);
            lvwNoteDatabase_Click();
            return;
        }
    }
}
