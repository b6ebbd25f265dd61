#pragma once

#include <QString>
#include <optional>

// What both front ends load before anything else: the domain table, the default domains, and the settings with
// the facts a front end acts on.
struct ProgramState
{
    enum class FrontEnd {
        Window,   // a first run is left for the window to perform: its choices are stored, its dialogs shown
        Terminal, // never a first run: every stored key is used, an absent one takes the first run's value
    };

    // The data file could not be read: the program ends with this message (caption Utils::loadErrorCaption()).
    std::optional<QString> loadError;
    // The settings file could not be read: this run goes on with the defaults and never writes it. The front end
    // says so with Utils::damagedSettingsText, naming the server it asks.
    bool damaged = false;
    // No first-run mark yet (or one that says True): AppSettings hold the first run's values.
    bool firstRun = false;

    static ProgramState load(FrontEnd frontEnd);
};
