// Saving and deleting a note with a 100,000-record table, through the window's own handlers.
#include "BenchWindow.h"
#include "Figures.h"

#include <QLineEdit>
#include <QTreeView>

#include <cstdlib>

namespace {

// Start-up lists the category with 10,000 of the records, each with its note file.
BenchWindow& window() {
    static BenchWindow& w = makeFixture<BenchWindow>(100'000, benchdata::NoteFiles::Tenth);
    return w;
}

// Save pressed: the record and the note file written durably, then the list reloaded.
void save(benchmark::State& state) {
    BenchWindow& w = window();
    w->setCategoryText(benchdata::kTenth);
    w->txtName->setText(QStringLiteral("Benchmark note"));
    w->setNoteText(QStringLiteral("A few words\nover two lines"));
    for (auto _ : state) {
        w->cmdSave_Click();
    }
    if (!w->noteText().isEmpty()) {
        state.SkipWithError("the note was not saved");
    }
}

// Delete pressed on the first row and the question answered: the file to the trash, the record removed durably,
// then the list reloaded.
void remove(benchmark::State& state) {
    BenchWindow& w = window();
    w.showCategory(benchdata::kTenth);
    const int before = w->noteListCount();
    w->lvwNoteDatabase->setCurrentIndex(w->lvwNoteDatabase->model()->index(0, 0));
    for (auto _ : state) {
        w->cmdDeleteNote_Click();
    }
    if (w->noteListCount() != before - 1) {
        state.SkipWithError("the note was not deleted");
    }
}

const bool registered = [] {
    figures::timed("save", "Save a note, 100,000 records", 20, 25, save);
    figures::timed("delete", "Delete a note, 100,000 records", 20, 25, remove);
    return true;
}();

} // namespace
