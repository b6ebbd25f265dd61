#include "core/ProgramState.h"

#include "core/Utils.h"

ProgramState ProgramState::load(FrontEnd frontEnd)
{
    ProgramState state;
    state.loadError = Utils::LoadDomainTable();
    if (state.loadError)
        return state;
    Utils::InitDefaultDomains();
    state.damaged = Utils::SettingsDamaged = Utils::DetectDamagedSettings();
    // A damaged store is not a first run: the first run would write over the user's settings. A marker that
    // cannot be read keeps the user's other settings.
    const QString init = Utils::GetSetting(Utils::Key::Init);
    state.firstRun = frontEnd == FrontEnd::Window && !state.damaged && Utils::ParseBool(init).value_or(false);
    if (state.firstRun) {
        Utils::AppSettings = Utils::FirstRunSettings();
    } else {
        Utils::LoadDomainSelection();
        Utils::LoadSettings(frontEnd == FrontEnd::Terminal);
        // Without its file the program asks the name server a first run would, not the root server that no
        // recursive question can be put to.
        if (state.damaged)
            Utils::AppSettings.NameServer = Utils::SystemNameServer();
    }
    return state;
}
