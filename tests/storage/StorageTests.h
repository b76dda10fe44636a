#pragma once

// The test classes of this folder, run one after the other by one executable.
int runKeyFileTests(int argc, char** argv);
int runNoteStorageTests(int argc, char** argv);
