// A held key gives one key press and one release: XKB's detectable auto-repeat for the program's
// connection to the X server.
#pragma once

namespace scope {

// Does nothing on another platform; returns whether the server took it.
bool EnableDetectableAutoRepeat();

} // namespace scope
