// The Configuration Manager call with which discovery checks that an
// adapter's device node exists.
#pragma once

#include <windows.h>
#include <cfgmgr32.h>

using DeviceNodeLocator = CONFIGRET(WINAPI*)(PDEVINST node, DEVINSTID_W deviceId, ULONG flags);

// CM_Locate_DevNodeW unless replaced. Tests replace it where the platform
// cannot locate device nodes (Wine's Configuration Manager is a stub that
// refuses every id); null restores CM_Locate_DevNodeW.
DeviceNodeLocator Device_Node_Locator();
void Use_Device_Node_Locator(DeviceNodeLocator locator);
