// The aggregation configuration in the registry, under the service key of
// the intermediate driver, which reads it from there:
//   HKLM\System\CurrentControlSet\Services\TmrxLink
//     TrunkCount, AdapterCount               REG_DWORD
//     TrunkN\           one trunk, with PriorityCount
//       PriorityN\      one priority rule of that trunk
//     AdapterN\         one adapter
//     Parameters\Adapters\{GUID}\           BundleId (written by the notify object)
// Counts are the number of indices a save spent; a key may be missing for an
// index. No key of the tree is ever deleted.
#pragma once

#include "notify/registry_platform.h"

// Writes the whole process-wide model. Result: 0, or the platform status of
// the last key it could not create. A record that could not be stored at all,
// or a count that could not be written, makes the result that failure's
// status even when later keys were created.
LONG SaveConfiguration();

// Adds what is stored to the process-wide model (without emptying it first).
// What the model already held is not added again, so a second load adds
// nothing: a stored trunk whose LinkID a trunk of the model held, and a stored
// adapter at a location the model held, are left as the model has them. The
// loaded records keep the model's rules: ids unique (a stored id another
// record holds is refused), link_id naming a trunk of the model or 0, each
// trunk's NumAdapters counting its members, a loaded default rule settled.
// Result: 0 when the model is to be taken as loaded; 1 when no adapter is
// stored; the platform status when the service key cannot be opened;
// ERROR_NOT_ENOUGH_MEMORY when the model ran out of memory (what was read
// before stays in the model).
LONG LoadConfiguration();

// Opens Parameters\Adapters\{GUID} beneath the service key. Result 0 with
// *key open (the caller writes and closes it), 0 with *key null when the
// Parameters key cannot be opened, or the HRESULT form (0x8007xxxx) of the
// platform status with *key null.
LONG OpenAdapterParamKey(const GUID& adapterGuid, HKEY* key);
