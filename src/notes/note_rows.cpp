#include "notes/note_rows.h"

#include "app/FrmMain.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTreeView>

void leaveViewing(FrmMain& w) {
    w.cmdOpen->setEnabled(false);
    w.cmdDeleteNote->setEnabled(false);
    w.cmdBack->setText(QStringLiteral("Enter Note"));
}

int noteRowCount(const FrmMain& w) {
    const QAbstractItemModel* model = w.lvwNoteDatabase->model();
    return model == nullptr ? 0 : model->rowCount();
}

std::vector<NoteRow> selectedNoteRows(const FrmMain& w) {
    std::vector<NoteRow> rows;
    const QAbstractItemModel* model = w.lvwNoteDatabase->model();
    const QItemSelectionModel* selection = w.lvwNoteDatabase->selectionModel();
    if (model == nullptr || selection == nullptr) {
        return rows;
    }
    for (int row = 0; row < model->rowCount(); ++row) {
        if (!selection->isSelected(model->index(row, 0))) {
            continue;
        }
        NoteRow selected;
        selected.number = model->index(row, 0).data().toString().toInt();
        selected.description = model->index(row, 1).data().toString();
        rows.push_back(selected);
    }
    return rows;
}

NotePathCheck noteFileOf(const FrmMain& w, int number) {
    if (number < 1 || static_cast<std::size_t>(number) >= w.notePaths.size()) {
        return {};
    }
    return checkNotePath(w.programFolder(), w.notePaths[number]);
}
