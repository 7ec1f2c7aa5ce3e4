// INetCfgComponentSetup: install, upgrade, answer file, removal.
#include "notify/notify_object.h"

HRESULT NotifyObject::Install(DWORD)
{
  SetupState = SETUP_INSTALLING;
  return S_OK;
}

HRESULT NotifyObject::Upgrade(DWORD, DWORD) { return S_OK; }

// The answer file itself is not read.
HRESULT NotifyObject::ReadAnswerFile(LPCWSTR, LPCWSTR)
{
  lstrcpynW(ParamText, L"ParamFromAnswerFile", NOTIFY_TEXT_UNITS);
  return S_OK;
}

HRESULT NotifyObject::Removing()
{
  SetupState = SETUP_REMOVING;
  return S_OK;
}
