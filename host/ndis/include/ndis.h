// NDIS 5.0 miniport interface for a driver built natively on the host: the
// same names, values and record shapes as the platform's <ndis.h>, served by
// the host stand-in (library hostndis). A driver includes it exactly as it
// would include the platform's header.
#pragma once

#ifndef NDIS_MINIPORT_DRIVER
#define NDIS_MINIPORT_DRIVER 1
#endif
#ifndef NDIS50_MINIPORT
#define NDIS50_MINIPORT 1
#endif
#define NDIS_MINIPORT_MAJOR_VERSION 5
#define NDIS_MINIPORT_MINOR_VERSION 0

#include "hostndis/platform/nt_types.h"
#include "hostndis/platform/ndis_constants.h"
#include "hostndis/platform/ndis_structures.h"
#include "hostndis/platform/ndis_calls.h"
