// Saving and deleting a note with a 100,000-record table, through the window's own handlers; and the same with the
// search index following the notes.
#include "BenchWindow.h"
#include "Figures.h"

#include "search/FindNotes.h"
#include "search/FindWindow.h"
#include "search/SearchIndex.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTreeView>

#include <cstdlib>

namespace {

// Start-up lists the category with 10,000 of the records, each with its note file.
BenchWindow& window() {
    static BenchWindow& w = makeFixture<BenchWindow>(100'000, benchdata::NoteFiles::Tenth);
    return w;
}

// The same, with search as the program has it: the index complete, and Find Notes open on the word that the saved
// notes hold, so that the index follows each save and delete while their figures are taken.
struct SearchedWindow {
    SearchedWindow() : bench(100'000, benchdata::NoteFiles::Tenth) {
        SearchIndex index(bench.folder());
        if (!index.open()) {
            std::abort();
        }
        while (index.work(1000) > 0) {
        }
        // The window owns it, as in the program.
        auto* finder = new FindNotes(bench.window(), bench.folder());
        finder->open(QStringLiteral("benchmark"));
        QElapsedTimer clock;
        clock.start();
        while (!finder->findWindow()->countText().endsWith(QStringLiteral("match.")) && clock.elapsed() < 60'000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        bench->activateWindow();
        BenchWindow::settle();
    }
    BenchWindow bench;
};

BenchWindow& searchedWindow() {
    static SearchedWindow& w = makeFixture<SearchedWindow>();
    return w.bench;
}

// Save pressed: the record and the note file written durably, then the list reloaded.
void saveIn(BenchWindow& w, benchmark::State& state) {
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
void removeIn(BenchWindow& w, benchmark::State& state) {
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
    figures::timed("save", "Save a note, 100,000 records", 20, 25,
                   [](benchmark::State& state) { saveIn(window(), state); });
    figures::timed("delete", "Delete a note, 100,000 records", 20, 25,
                   [](benchmark::State& state) { removeIn(window(), state); });
    figures::above("save_searched", "Save a note, 100,000 records, search index open", "save", 5, 25,
                   [](benchmark::State& state) { saveIn(searchedWindow(), state); });
    figures::above("delete_searched", "Delete a note, 100,000 records, search index open", "delete", 5, 25,
                   [](benchmark::State& state) { removeIn(searchedWindow(), state); });
    return true;
}();

} // namespace
