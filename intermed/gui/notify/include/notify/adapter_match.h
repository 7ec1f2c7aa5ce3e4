// Recognising the maker's adapters among the installed network adapters.
#pragma once

#include <cstdint>

#include "model/adapters.h"
#include "notify/registry_platform.h"

// The model code of an adapter from its hardware id (the 8 characters after
// "subsys_") or, when the id has no "subsys_", from the display name (the
// text after "Tamrix "); MODEL_NOT_FOUND when neither names one of the
// maker's models. Null texts match nothing.
int32_t MatchAdapterModel(const WCHAR* hardwareId, const WCHAR* displayName);

// The creation values that discovery gives the adapter it finds with this
// running slot number: PCI, 32 bits wide, bus 5, device = slot, function 0,
// port 0, the model's default speed setting, descriptor counts not set.
// A repeated discovery in the same order finds the same locations, so it
// updates the adapters added before instead of adding them again.
AdapterValues Discovered_Adapter_Values(int32_t model, int32_t slot);
