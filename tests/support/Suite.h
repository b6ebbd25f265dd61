#pragma once

// What every suite needs: QtTest, QtCore, the recording desktop and the one reset of program state.
#include "support/ProgramState.h"
#include "support/TestPlatform.h"

#include <QtCore>
#include <QtNetwork>
#include <QtTest>
