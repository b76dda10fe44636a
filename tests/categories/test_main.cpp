#include "ListTests.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    failures += runCategoryTests(argc, argv);
    failures += runNoteListTests(argc, argv);
    failures += runListSortTests(argc, argv);
    return failures == 0 ? 0 : 1;
}
