#pragma once

#include "storage/cInifile.h"

#include <QString>
#include <QStringList>

#include <cstdint>

// The category file "\data\category.dat": section "main" key "total" = N, section "category" keys 1..N = names.
namespace categoryfile {

QString path(const QString& programFolder);
// The text of "total" as it stands in the file ("" when missing).
QString readTotal(cInifile& ini, const QString& programFolder);
// The count that a total text stands for: a whole number from 0 up (blanks around it allowed); anything else,
// a number too large for 64 bits included, counts as 0.
std::int64_t totalValue(const QString& totalText);
// Names 1..count in key order, read in one pass; missing keys are left out, and no more keys are read than the
// file holds.
QStringList readNames(cInifile& ini, const QString& programFolder, std::int64_t count);
bool writeTotal(cInifile& ini, const QString& programFolder, std::int64_t total);
bool writeName(cInifile& ini, const QString& programFolder, std::int64_t position, const QString& name);
// Writes total and the name of key total in one atomic write: a crash cannot leave the count raised over a stale
// key left by an earlier, longer list, which would list that name twice.
bool writeTotalAndName(cInifile& ini, const QString& programFolder, std::int64_t total, const QString& name);
// Writes names as keys 1..n and total = n in one atomic write. Keys above n are left alone.
bool renumber(cInifile& ini, const QString& programFolder, const QStringList& names);

} // namespace categoryfile
