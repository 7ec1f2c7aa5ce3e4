// Example text lists shared by the test programs.
#pragma once

// One trunk "Main trunk" of the two K250 ports on bus 0 (slots 4, 5) with a
// default rule of 2 ports, and an unassigned K100TX in slot 9.
extern const char kExampleList[];
// The text doTmrxLink returns for kExampleList after OK.
extern const char kExampleReturned[];
// Three K100TX adapters on bus 0 (slots 9, 10, 11), no trunk.
extern const char kAdaptersOnlyList[];
