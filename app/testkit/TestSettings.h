// Settings fixtures: the instruments the tests run against, and units joined to one bus and one settings
// component.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace scope {

class TBusMember;
class TDriverAbstraction;
class TObjMasterTarn;
class TSettingsTarn;

// The default instrument with its options (colour lists sized to its channels).
void DefaultInstrument(TSettingsTarn &s);

// The demonstration instrument loaded and opened, its capabilities in the settings, with options. False
// when it does not load or open.
bool DemoInstrument(TDriverAbstraction &demo, TSettingsTarn &s);

// A small instrument for module tests: default capabilities with two module channels, one time base and
// one range, 1024-sample records, every channel on, no module assigned.
void SmallModuleInstrument(TSettingsTarn &s, double displayRatio);

// The instrument of the record tests: two channels, two module channels, shift -100..100, three time
// bases and three ranges, 8192-sample records on time base 1 with A on range 1 and B on range 2, channels
// A and B on, every copy of the device settings alike.
void RecordInstrument(TSettingsTarn &s);

// The instrument of the screen tests: default capabilities with two time bases and two ranges, the given
// screen size in points and levels (0 keeps the default size), options, every copy of the settings started,
// display ratio 1, every channel on.
void ScreenInstrument(TSettingsTarn &s, int points = 0, int levels = 0);

// Sets a switch of the options (opToolTip ...).
void SetBoolOption(TSettingsTarn &s, int32_t id, bool value);

// Gives every unit the settings and the bus, in the order given (the bus's delivery order).
void JoinBus(TObjMasterTarn &bus, TSettingsTarn &s, std::initializer_list<TBusMember *> members);

// The place of a unit in the bus's delivery order; -1 when it is not on the bus.
int BusPlace(const TObjMasterTarn &bus, const TBusMember &member);

} // namespace scope
