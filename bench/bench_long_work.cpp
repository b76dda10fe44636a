// The window while long work runs, started as a user starts it: the longest wait of its event loop during a Backup
// and a Restore of 100,000 notes chosen from the menu (from the menu action until the progress window goes; the
// reload of the note list after a Restore has the list's own figures), and from a click on the row of a 100 MB note
// until the note is shown.
#include "BenchWindow.h"
#include "Figures.h"
#include "StallMeter.h"

#include "notes/note_rows.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdlib>

namespace {

// The window on 100,000 notes, each with its file: made once for the Backup and the Restore.
BenchWindow& hundredThousand() {
    static BenchWindow& window = makeFixture<BenchWindow>(100'000, benchdata::NoteFiles::Everyone);
    return window;
}

// Stops a meter when the progress window of a Backup or Restore goes.
class ProgressEnd : public QObject {
public:
    explicit ProgressEnd(StallMeter& meter) : m_meter(meter) { QCoreApplication::instance()->installEventFilter(this); }
    ~ProgressEnd() override { QCoreApplication::instance()->removeEventFilter(this); }
    ProgressEnd(const ProgressEnd&) = delete;
    ProgressEnd& operator=(const ProgressEnd&) = delete;

    // The longest wait until the progress window went; negative while it has not gone.
    double stallMs = -1;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && m_meter.running() &&
            watched->objectName() == QStringLiteral("frmProgress")) {
            stallMs = m_meter.stopMs();
        }
        return false;
    }

private:
    StallMeter& m_meter;
};

// A menu choice as the user makes it, its question answered; success is the message it ends with.
void chooseFromMenu(benchmark::State& state, QAction* action, const QString& success) {
    BenchWindow& w = hundredThousand();
    StallMeter meter;
    ProgressEnd end(meter);
    w.platform().lastMessage.clear();
    meter.start();
    action->trigger();
    if (end.stallMs < 0 || w.platform().lastMessage != success) {
        state.SkipWithError(("the work ended with: " + w.platform().lastMessage.toStdString()).c_str());
        return;
    }
    state.SetIterationTime(end.stallMs / 1000.0);
    BenchWindow::settle();
}

void backup(benchmark::State& state) {
    BenchWindow& w = hundredThousand();
    for (auto _ : state) {
        chooseFromMenu(state, w->mnuBackup, QStringLiteral("The database was backed up successfully."));
    }
}

void restore(benchmark::State& state) {
    BenchWindow& w = hundredThousand();
    if (!QFileInfo::exists(w.folder() + QStringLiteral("/backup/backup.dat"))) {
        w->mnuBackup->trigger();
    }
    for (auto _ : state) {
        chooseFromMenu(state, w->mnuRestore, QStringLiteral("The database was restored successfully."));
    }
}

// The list of a category of 100 notes whose first is 100 MB of lines, the others a few lines to a few pages.
class LargeNote {
public:
    LargeNote() : m_window(1'000, benchdata::NoteFiles::Tenth) {
        m_window.showCategory(benchdata::kTenth);
        click(0);
        const std::vector<NoteRow> rows = selectedNoteRows(m_window.window());
        if (rows.empty()) {
            std::abort();
        }
        description = rows.front().description;
        QByteArray text;
        text.reserve(kSize + 100);
        for (int i = 0; text.size() < kSize; ++i) {
            text += "line " + QByteArray::number(i) + " of a long note, written as a page of text is written\r\n";
        }
        QFile file(noteFileOf(m_window.window(), rows.front().number).path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
            std::abort();
        }
        click(1);
    }
    FrmMain& window() { return m_window.window(); }

    // A click on a row of the list as the user makes it.
    void click(int row) {
        QTreeView* list = m_window->lvwNoteDatabase;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 1)).center());
    }

    static constexpr qsizetype kSize = 100 * 1024 * 1024;
    QString description;

private:
    BenchWindow m_window;
};

// From the click on the large note's row until it is shown. Each run first views a small note for a few seconds, as
// a user reads one before clicking the next: the window's own work of leaving the large note, and the heap given
// back after it, are not part of this figure.
void viewLargeNote(benchmark::State& state) {
    static LargeNote& note = makeFixture<LargeNote>();
    for (auto _ : state) {
        note.click(1);
        QTest::qWait(3000);
        note.window().txtName->clear();
        StallMeter meter;
        QEventLoop shown;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (note.window().txtName->text() == note.description) {
                shown.quit();
            }
        });
        QTimer::singleShot(120'000, &shown, [&] {
            state.SkipWithError("the note was not shown within two minutes");
            shown.quit();
        });
        meter.start();
        check.start(5);
        note.click(0);
        shown.exec();
        state.SetIterationTime(meter.stopMs() / 1000.0);
    }
}

const bool registered = [] {
    figures::measured("stall_backup", "Longest event-loop stall, Backup of 100,000 notes", 100, 3, backup);
    figures::measured("stall_restore", "Longest event-loop stall, Restore of 100,000 notes", 100, 3, restore);
    figures::measured("stall_view_100mb", "Viewing a 100 MB note: longest stall", 100, 5, viewLargeNote);
    return true;
}();

} // namespace
