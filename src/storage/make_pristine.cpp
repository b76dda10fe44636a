// Build-time tool: makes the pristine data files of the program folder.
#include "storage/Pristine.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pristine FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QString error;
    if (!QDir().mkpath(folder) || !writePristineFiles(folder, &error)) {
        std::fprintf(stderr, "make_pristine: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
