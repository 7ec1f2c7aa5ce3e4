#pragma once

struct Link;

// How a trunk is listed: its TrunkName, or its DisplayName while unnamed.
const char* TrunkEntryText(const Link* link);
