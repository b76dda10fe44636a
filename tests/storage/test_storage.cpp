#include "StorageTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runKeyFileTests(argc, argv);
    failures += runNoteStorageTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
