#pragma once

// The program from start to end: the main window's start-up, the event loop, and the clean-up after it.
namespace Application {
// Prepares the application object: quitting is the program's own decision, not the last closed window's.
void prepare();
int run();
} // namespace Application

namespace Utils {
// Start-up initialisation: first run or settings read back, default domains, the domain dialog's label.
void InitApplication();
// Ends the program at once: tray icon off, main window unloaded, every other window closed without its logic.
void QuitApplication();
} // namespace Utils
