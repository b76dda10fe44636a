// Makes a program folder for the whole-process benchmarks (bench/process.sh): the data files and a note table of the
// given size. The script copies the executable in.
#include "ProgramFolder.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4 || (std::strcmp(argv[3], "none") != 0 && std::strcmp(argv[3], "all") != 0)) {
        std::fprintf(stderr, "usage: bench_folder FOLDER RECORDS none|all\n");
        return 2;
    }
    benchdata::makeProgramFolder(QString::fromLocal8Bit(argv[1]), std::strtoll(argv[2], nullptr, 10),
                                 std::strcmp(argv[3], "all") == 0 ? benchdata::NoteFiles::Everyone
                                                                  : benchdata::NoteFiles::None);
    return 0;
}
