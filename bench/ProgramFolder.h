#pragma once

#include <QString>

#include <cstdint>

// Program folders for the benchmarks: original/ with the pristine files, backup/, and a data folder whose note table
// holds a chosen number of records, made the way years of saving would leave them.
namespace benchdata {

// The categories and the share of the records each holds. The category box is sorted, so kTenth is the category that
// start-up lists.
inline const QString kTenth = QStringLiteral("Archive");         // every 10th record
inline const QString kHundredth = QStringLiteral("Journal");     // every 100th record
inline const QString kTenThousandth = QStringLiteral("Recipes"); // every 10,000th record
constexpr int kOtherCategories = 40;                             // "Topic 01" ... "Topic 40" hold the rest

enum class NoteFiles {
    None,     // records only
    Tenth,    // a note file for each record of kTenth
    Everyone, // a note file for every record
};

// Makes folder (which must not hold a data folder yet) a program folder with that many records. The executable is
// not copied. Aborts the process on any failure: a benchmark on half-made data would measure nothing.
void makeProgramFolder(const QString& folder, std::int64_t records, NoteFiles files);

} // namespace benchdata
