// The test kit is header-mostly; this unit checks that its headers stand alone.
#include "testkit/BusRecorder.h"
#include "testkit/FakeDevice.h"
#include "testkit/ScriptedMessages.h"
#include "testkit/ServeUntil.h"
#include "testkit/TestFolder.h"
#include "testkit/TestModules.h"

namespace scope {} // namespace scope
