// The test kit is header-mostly; this unit gives the library a body and checks that its headers stand alone.
#include "testkit/BusRecorder.h"
#include "testkit/FakeDevice.h"
#include "testkit/TestFolder.h"

namespace scope {} // namespace scope
