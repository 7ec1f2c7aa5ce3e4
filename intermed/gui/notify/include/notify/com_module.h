// The COM module of TmrxInt: its instance handle, the server lock count, and
// the one class it serves. The library's entry point starts and ends it.
#pragma once

#include <windows.h>

// Process attach: keeps the instance handle (the module that holds the
// templates and resources).
void Module_Start(HINSTANCE instance);
// Process detach: releases the class factory, then empties the aggregation model.
void Module_End();
HINSTANCE Module_Instance();

// Every live NotifyObject and every LockServer(TRUE) holds one lock.
void Lock_Module();
void Unlock_Module();
LONG Module_Lock_Count();

// The exports.
extern "C" {
HRESULT STDAPICALLTYPE DllCanUnloadNow();
HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID interfaceId, void** object);
HRESULT STDAPICALLTYPE DllRegisterServer();
HRESULT STDAPICALLTYPE DllUnregisterServer();
}
