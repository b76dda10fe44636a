// The note list: filling it from tables of 1,000 and 1,000,000 records, and sorting 10,000 rows by a column.
#include "BenchWindow.h"
#include "Figures.h"

#include <QTreeView>

namespace {

using benchdata::NoteFiles;

BenchWindow& million() {
    static BenchWindow& window = makeFixture<BenchWindow>(1'000'000, NoteFiles::None);
    return window;
}

BenchWindow& thousand() {
    static BenchWindow& window = makeFixture<BenchWindow>(1'000, NoteFiles::None);
    return window;
}

// LoadNoteList with the category already chosen: the query, the rows, the label, and the list laid out and painted.
// Each run first makes a row current, as a user's click does, which the fill clears.
figures::Body loadList(BenchWindow& (*window)(), const QString& category) {
    return [window, category](benchmark::State& state) {
        BenchWindow& w = window();
        w.showCategory(category);
        for (auto _ : state) {
            state.PauseTiming();
            w->lvwNoteDatabase->setCurrentIndex(w->lvwNoteDatabase->model()->index(0, 0));
            BenchWindow::settle();
            state.ResumeTiming();
            w->LoadNoteList();
            BenchWindow::settle();
        }
        state.counters["rows"] = w->noteListCount();
    };
}

// A click on a column heading of a 10,000-row list. Every click flips the direction, so runs alternate between
// ascending and descending; both are whole sorts.
figures::Body sortList(int column) {
    return [column](benchmark::State& state) {
        BenchWindow& w = million();
        if (w->noteListCount() != 10'000) {
            w.showCategory(benchdata::kHundredth);
        }
        for (auto _ : state) {
            w->lvwNoteDatabase_ColumnClick(column);
            BenchWindow::settle();
        }
    };
}

const bool registered = [] {
    figures::timed("list_10k_of_1m", "LoadNoteList: 10,000 of 1,000,000 records", 30, 15,
                   loadList(million, benchdata::kHundredth));
    figures::timed("list_100k_of_1m", "LoadNoteList: 100,000 of 1,000,000 records", 150, 9,
                   loadList(million, benchdata::kTenth));
    figures::timed("list_100_of_1m", "LoadNoteList: 100 of 1,000,000 records", 5, 25,
                   loadList(million, benchdata::kTenThousandth));
    figures::timed("list_100_of_1k", "LoadNoteList: 100 of 1,000 records", 0, 25,
                   loadList(thousand, benchdata::kTenth));
    figures::timed("sort_number", "Sort 10,000 rows by \"#\"", 30, 15, sortList(1));
    figures::timed("sort_date", "Sort 10,000 rows by Date", 30, 15, sortList(3));
    figures::timed("sort_time", "Sort 10,000 rows by Time", 30, 15, sortList(4));
    figures::timed("sort_description", "Sort 10,000 rows by Description", 0, 15, sortList(2));
    return true;
}();

} // namespace
