#include "core/Environment.h"

Environment& Environment::current()
{
    static Environment environment;
    return environment;
}
