#pragma once

// Makes the calling thread, and the threads it starts from then on, give way to the window's thread whenever both
// want the processor: for work that runs beside the window (reading a large note, laying it out, a Backup or
// Restore), so that the window paints and answers on time however busy that work keeps the processors.
void giveWayToTheWindow();
