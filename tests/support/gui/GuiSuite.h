#pragma once

// What every suite with windows needs besides the logic suites' own.
#include "support/Suite.h"
#include "support/gui/TestDesktop.h"

#include <QtWidgets>
