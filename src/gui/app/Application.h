#pragma once

struct ProgramState;

// The program from start to end: the main window's start-up, the event loop, and the clean-up after it.
namespace Application {
// Prepares the application object: quitting is the program's own decision, not the last closed window's.
void prepare();
int run();
} // namespace Application

namespace Utils {
// Start-up initialisation once the program state is loaded: its warnings, a first run's stored choices and
// dialogs, the domain dialog's label.
void InitApplication(const ProgramState& state);
// Ends the program at once: tray icon off, main window unloaded, every other window closed without its logic.
void QuitApplication();
} // namespace Utils
