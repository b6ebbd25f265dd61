#include "cli/CliSettings.h"

#include "core/ProgramState.h"
#include "core/Utils.h"

namespace CliSettings {

bool load(const CliOptions& options, const std::function<void(const QString&)>& say)
{
    const ProgramState state = ProgramState::load(ProgramState::FrontEnd::Terminal);
    if (state.loadError) {
        say(Utils::loadErrorCaption() + QLatin1Char(' ') + *state.loadError);
        return false;
    }
    if (!options.server.isEmpty())
        Utils::AppSettings.NameServer = options.server;
    // The warning names the server asked, which --server may have chosen.
    if (state.damaged)
        say(Utils::damagedSettingsText(Utils::AppSettings.NameServer));
    if (options.delay)
        Utils::AppSettings.QueryDelay = qint16(*options.delay);
    if (options.retries)
        Utils::AppSettings.Retries = quint8(*options.retries);
    if (options.confirm)
        Utils::AppSettings.ConfirmWhois = *options.confirm;
    return true;
}

} // namespace CliSettings
