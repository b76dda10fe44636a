// Search on 100,000 notes of about 500 bytes: building the index in the background (its time, and the longest the
// window's event loop waited meanwhile), a query's first results on screen (p95 over 200 queries drawn from the notes'
// own words and parts of words), and the longest the window waited while a query was typed. Prints rows of the
// benchmark table: figure, value, target, ratio, holds.
#include "ProgramFolder.h"
#include "StallMeter.h"

#include "search/FindWindow.h"
#include "search/SearchIndex.h"
#include "search/SearchService.h"
#include "storage/NoteDatabase.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

// A vocabulary of made-up words, used with the skew of natural text: a few words are very common, most are rare.
std::vector<QByteArray> vocabulary(std::mt19937& random) {
    const char* const syllables[] = {"ka", "lo", "mi", "ne", "ru", "sa", "te", "vo", "zi", "bé", "ßa", "дo",
                                     "ми", "σο", "東", "ri", "po", "gu", "fe", "wa", "xi", "yo", "hu", "je"};
    std::vector<QByteArray> words(20'000);
    for (QByteArray& word : words) {
        const auto length = 2 + random() % 3;
        for (unsigned i = 0; i < length; ++i) {
            word += syllables[random() % std::size(syllables)];
        }
    }
    return words;
}

const QByteArray& naturalWord(const std::vector<QByteArray>& words, std::mt19937& random) {
    const double u = std::uniform_real_distribution<double>(0.0, 1.0)(random);
    return words[static_cast<std::size_t>(static_cast<double>(words.size() - 1) * u * u * u)];
}

// Stops a clock at the end of the first paint of the result list after it was armed: the results on screen.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* list, const QElapsedTimer& clock) : m_list(list), m_clock(clock) {
        list->installEventFilter(this);
    }
    void arm() { m_armed = true; }
    void reset() {
        m_armed = false;
        m_paintedMs = -1;
    }
    double paintedMs() const { return m_paintedMs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_armed || watched != m_list || event->type() != QEvent::Paint) {
            return false;
        }
        m_armed = false;
        // The paint is done here, so that the clock stops when it is over.
        m_list->removeEventFilter(this);
        QCoreApplication::sendEvent(m_list, event);
        m_list->installEventFilter(this);
        m_paintedMs = static_cast<double>(m_clock.nsecsElapsed()) / 1e6;
        return true;
    }

private:
    QWidget* m_list;
    const QElapsedTimer& m_clock;
    bool m_armed = false;
    double m_paintedMs = -1;
};

void row(const char* figure, double value, const char* unit, double limit) {
    std::printf("%s\t%.1f %s\t<= %.0f %s\t\t%s\n", figure, value, unit, limit, unit, value <= limit ? "yes" : "NO");
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    QApplication app(argc, argv);
    const std::int64_t notes = argc > 1 ? std::strtoll(argv[1], nullptr, 10) : 100'000;
    const QString folder = home.filePath(QStringLiteral("program"));
    QDir().mkpath(folder);
    benchdata::makeProgramFolder(folder, notes, benchdata::NoteFiles::None);

    // A note file of about 500 bytes for every record.
    std::mt19937 random(42);
    const std::vector<QByteArray> words = vocabulary(random);
    std::vector<QString> texts;
    {
        const std::unique_ptr<NoteDatabase> db = NoteDatabase::open(folder + QStringLiteral("/data/data.mdb"));
        db->forEach([&](const NoteRecord& record) {
            QByteArray text;
            while (text.size() < 500) {
                text += naturalWord(words, random);
                text += random() % 12 == 0 ? "\r\n" : " ";
            }
            text += "\r\n";
            QFile file(folder + QStringLiteral("/data/") + record.thePath.mid(6));
            if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
                std::exit(1);
            }
            if (texts.size() < 2000) {
                texts.push_back(QString::fromUtf8(text));
            }
        });
    }

    SearchService service(folder);
    FindWindow window(service);
    window.show();
    StallMeter stall;
    qint64 waiting = -1;
    QObject::connect(&service, &SearchService::progress, [&waiting](qint64 left) { waiting = left; });
    QElapsedTimer clock;
    clock.start();
    stall.start();
    service.start();
    if (!waitFor([&] { return waiting == 0; }, 600'000)) {
        std::fprintf(stderr, "the index was not built\n");
        return 1;
    }
    const double buildS = static_cast<double>(clock.elapsed()) / 1000.0;
    const double buildStall = stall.stopMs();

    // Queries from the notes' own words and parts of words, typed as a user would.
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("txtFind"));
    PaintWatch painted(window.findChild<QTreeView*>(QStringLiteral("lvwFound"))->viewport(), clock);
    bool answered = false;
    // Connected after the window: the answer is in the list when this runs.
    QObject::connect(&service, &SearchService::answered, [&](const SearchAnswer& a) {
        if (!answered && a.query == field->text()) {
            answered = true;
            painted.arm();
        }
    });
    std::vector<double> firstResults;
    double typingStall = 0;
    for (int i = 0; i < 200; ++i) {
        const QString& text = texts[random() % texts.size()];
        const QStringList noteWords = text.simplified().split(QLatin1Char(' '));
        QString word = noteWords.at(static_cast<qsizetype>(random() % noteWords.size()));
        if (word.size() > 3 && random() % 2 == 0) {
            const auto length = 3 + static_cast<qsizetype>(random() % (word.size() - 2));
            word = word.mid(static_cast<qsizetype>(random() % (word.size() - length + 1)), length);
        }
        // Typing the word letter by letter: the window's longest wait.
        field->clear();
        stall.start();
        for (qsizetype n = 1; n < word.size(); ++n) {
            field->setText(word.left(n));
            QCoreApplication::processEvents();
        }
        // The last letter: from the key to the end of the first paint of the list that shows its results.
        answered = false;
        painted.reset();
        clock.restart();
        field->setText(word);
        if (!waitFor([&] { return painted.paintedMs() >= 0; }, 10'000)) {
            std::fprintf(stderr, "no answer for %s\n", qPrintable(word));
            return 1;
        }
        firstResults.push_back(painted.paintedMs());
        typingStall = std::max(typingStall, stall.stopMs());
    }
    std::sort(firstResults.begin(), firstResults.end());
    const double p95 = firstResults[firstResults.size() * 95 / 100];
    row("Search: build the index, 100,000 notes", buildS, "s", 120);
    row("Search: longest wait of the window while building", buildStall, "ms", 50);
    row("Search: first results on screen, p95 of 200 queries", p95, "ms", 30);
    row("Search: longest wait of the window while typing", typingStall, "ms", 50);
    return 0;
}
