#pragma once

// The program from start to end: the main window's start-up, the event loop, and the clean-up after it.
namespace Application {
// Prepares the application object: quitting is the program's own decision, not the last closed window's.
void prepare();
int run();
} // namespace Application
