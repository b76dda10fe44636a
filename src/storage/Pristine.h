#pragma once

#include <QString>

// Writes the three pristine data files (data.mdb, category.dat, settings.dat) into folder.
bool writePristineFiles(const QString& folder, QString* error = nullptr);
