#include "ProgramFolder.h"

#include "storage/Pristine.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace benchdata {
namespace {

[[noreturn]] void die(const QString& what) {
    std::fprintf(stderr, "benchmark data: %s\n", qPrintable(what));
    std::abort();
}

void exec(sqlite3* db, const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        die(QString::fromStdString(sql) + QStringLiteral(": ") + QString::fromUtf8(message));
    }
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        die(path + QStringLiteral(": ") + file.errorString());
    }
}

// Proleptic Gregorian date of a day counted from 1970-01-01.
void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<int>(days - era * 146097);
    const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int shifted = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    month = shifted < 10 ? shifted + 3 : shifted - 9;
    year = static_cast<int>(yearOfEra + era * 400) + (month <= 2 ? 1 : 0);
}

const char* const kWords[] = {"note",  "meeting", "the",   "and",    "remember", "call",   "buy",
                              "milk",  "project", "idea",  "todo",   "tomorrow", "about",  "with",
                              "price", "address", "phone", "recipe", "draft",    "budget", "garden"};

class Writer {
public:
    explicit Writer(std::int64_t records) : m_random(2026), m_step(std::max<std::int64_t>(1, 189'000'000 / records)) {}

    QString category(std::int64_t i) const {
        if (i % 10 == 0) {
            return kTenth;
        }
        if (i % 100 == 1) {
            return kHundredth;
        }
        if (i % 10000 == 2) {
            return kTenThousandth;
        }
        return QStringLiteral("Topic %1").arg((i * 7) % kOtherCategories + 1, 2, 10, QLatin1Char('0'));
    }

    // Saved one after another from New Year 2019 on, spread over six years whatever their number.
    void stamp(std::int64_t i, char (&date)[32], char (&time)[32]) const {
        const std::int64_t seconds = 1'546'329'600 + 8 * 3600 + i * m_step;
        int year = 0;
        int month = 0;
        int day = 0;
        civilFromDays(seconds / 86400, year, month, day);
        const auto ofDay = static_cast<int>(seconds % 86400);
        const int hour = ofDay / 3600;
        std::snprintf(date, sizeof date, "%02d/%02d/%02d", month, day, year % 100);
        std::snprintf(time, sizeof time, "%d:%02d:%02d %s", hour % 12 == 0 ? 12 : hour % 12, ofDay / 60 % 60,
                      ofDay % 60, hour < 12 ? "AM" : "PM");
    }

    std::string description() {
        std::string text;
        const int words = 2 + static_cast<int>(m_random() % 6);
        for (int w = 0; w < words; ++w) {
            text += w == 0 ? "" : " ";
            text += kWords[m_random() % std::size(kWords)];
        }
        return text;
    }

    std::string key() {
        std::string letters(16, 'a');
        for (char& c : letters) {
            c = static_cast<char>(((m_random() & 1) != 0 ? 'A' : 'a') + m_random() % 26);
        }
        return letters;
    }

    // A few lines to a few pages, CR LF line ends and one CR LF at the end, as the program writes them.
    QByteArray text() {
        QByteArray bytes;
        const auto length = 20 + static_cast<qsizetype>(m_random() % 2000);
        while (bytes.size() < length) {
            bytes += kWords[m_random() % std::size(kWords)];
            bytes += m_random() % 12 == 0 ? "\r\n" : " ";
        }
        return bytes + "\r\n";
    }

private:
    std::mt19937 m_random;
    std::int64_t m_step;
};

void writeCategoryFile(const QString& path) {
    QStringList names = {kTenth, kHundredth, kTenThousandth};
    for (int i = 1; i <= kOtherCategories; ++i) {
        names << QStringLiteral("Topic %1").arg(i, 2, 10, QLatin1Char('0'));
    }
    QByteArray bytes = "[main]\r\ntotal=" + QByteArray::number(names.size()) + "\r\n[category]\r\n";
    for (qsizetype i = 0; i < names.size(); ++i) {
        bytes += QByteArray::number(i + 1) + '=' + names[i].toUtf8() + "\r\n";
    }
    writeFile(path, bytes);
}

} // namespace

void makeProgramFolder(const QString& folder, std::int64_t records, NoteFiles files) {
    const QDir dir(folder);
    if (dir.exists(QStringLiteral("data"))) {
        die(folder + QStringLiteral(" holds a data folder already"));
    }
    QString error;
    if (!dir.mkpath(QStringLiteral("original")) || !dir.mkpath(QStringLiteral("backup")) ||
        !dir.mkpath(QStringLiteral("data")) || !writePristineFiles(dir.filePath(QStringLiteral("original")), &error)) {
        die(folder + QStringLiteral(": ") + error);
    }
    const QString data = dir.filePath(QStringLiteral("data"));
    for (const QString& name : {QStringLiteral("data.mdb"), QStringLiteral("settings.dat")}) {
        if (!QFile::copy(dir.filePath(QStringLiteral("original/") + name), data + QLatin1Char('/') + name)) {
            die(QStringLiteral("cannot copy ") + name);
        }
    }
    writeCategoryFile(data + QStringLiteral("/category.dat"));

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(data + QStringLiteral("/data.mdb")).constData(), &db, SQLITE_OPEN_READWRITE,
                        nullptr) != SQLITE_OK) {
        die(QStringLiteral("cannot open the new database"));
    }
    // The program's own schema, filled in bulk: its indexes are dropped and made again after the rows are in, which
    // sorts once instead of inserting into them row by row. Triggers stay and run for every row.
    exec(db, "PRAGMA journal_mode=OFF");
    exec(db, "PRAGMA synchronous=OFF");
    exec(db, "PRAGMA cache_size=-262144");
    exec(db, "BEGIN");
    std::vector<std::pair<std::string, std::string>> indexes;
    {
        sqlite3_stmt* list = nullptr;
        sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL", -1,
                           &list, nullptr);
        while (sqlite3_step(list) == SQLITE_ROW) {
            indexes.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)),
                                 reinterpret_cast<const char*>(sqlite3_column_text(list, 1)));
        }
        sqlite3_finalize(list);
    }
    for (const auto& index : indexes) {
        exec(db, "DROP INDEX \"" + index.first + '"');
    }
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db,
                           "INSERT INTO data (theDate, theTime, theCategory, theDescription, thePath) "
                           "VALUES (?1, ?2, ?3, ?4, ?5)",
                           -1, &insert, nullptr) != SQLITE_OK) {
        die(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    Writer writer(records);
    char date[32];
    char time[32];
    for (std::int64_t i = 0; i < records; ++i) {
        writer.stamp(i, date, time);
        const QByteArray category = writer.category(i).toUtf8();
        const std::string description = writer.description();
        const std::string key = writer.key();
        const std::string path = "\\data\\" + key + ".txt";
        sqlite3_bind_text(insert, 1, date, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, time, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, category.constData(), static_cast<int>(category.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 4, description.c_str(), static_cast<int>(description.size()), SQLITE_STATIC);
        sqlite3_bind_text(insert, 5, path.c_str(), static_cast<int>(path.size()), SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            die(QString::fromUtf8(sqlite3_errmsg(db)));
        }
        sqlite3_reset(insert);
        if (files == NoteFiles::Everyone || (files == NoteFiles::Tenth && i % 10 == 0)) {
            writeFile(data + QLatin1Char('/') + QString::fromStdString(key) + QStringLiteral(".txt"), writer.text());
        }
    }
    sqlite3_finalize(insert);
    for (const auto& index : indexes) {
        exec(db, index.second);
    }
    exec(db, "COMMIT");
    exec(db, "PRAGMA journal_mode=DELETE");
    sqlite3_close(db);
}

} // namespace benchdata
