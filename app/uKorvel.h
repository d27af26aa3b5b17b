#pragma once
// The program: the four windows every run creates, and the entry routine.

// Creates the main window, the picture viewer, the options dialog and the about box, owned by
// the application, in that order; the first becomes the application's main window.
void CreateKorvelWindows();
// Frees the four windows (the main window last, so its lists outlive the others); a test that
// starts the program again calls it first.
void FreeKorvelWindows();
// The entry routine: the application, the four windows and the message loop.
int RunKorvel(int argc, char** argv);
