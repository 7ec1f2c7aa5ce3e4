// The class object of NotifyObject: made at the first request, kept by the
// module until it ends.
#pragma once

#include <windows.h>

// The factory, asked for `interfaceId`.
HRESULT Get_Class_Factory(REFIID interfaceId, void** object);
void Release_Class_Factory();
