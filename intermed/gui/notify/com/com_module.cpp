#include "notify/com_module.h"

#include "class_factory.h"
#include "model/model.h"

namespace {
HINSTANCE moduleInstance = nullptr;
volatile LONG lockCount = 0;
}  // namespace

void Module_Start(HINSTANCE instance) { moduleInstance = instance; }

void Module_End()
{
  Release_Class_Factory();
  // Nothing of the model may outlive the library.
  Delete_All_Links();
  Delete_All_Adapters();
}

HINSTANCE Module_Instance() { return moduleInstance; }

void Lock_Module() { InterlockedIncrement(&lockCount); }
void Unlock_Module() { InterlockedDecrement(&lockCount); }
LONG Module_Lock_Count() { return lockCount; }

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return Module_Lock_Count() == 0 ? S_OK : S_FALSE; }
