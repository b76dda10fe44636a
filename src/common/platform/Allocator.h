#pragma once

// Called first in main(), before any thread starts. Laying out a long line takes tens of megabytes of buffers at
// once, and on a virtual machine the fresh pages cost more than the layout itself. One heap for all threads, which
// keeps large blocks once they are freed, lets the window's thread reuse the pages that the layout thread touched.
void keepFreedMemoryWarm();

// Gives the freed memory that keepFreedMemoryWarm keeps back to the system: for when the program goes quiet.
void releaseFreedMemory();
