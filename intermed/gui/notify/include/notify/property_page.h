// The notify object's property page: template 101, the main trunk dialog's,
// run by PropertyPageProc, which passes the messages on to the main trunk
// dialog procedure once the page knows its NotifyObject.
#pragma once

#include <windows.h>

class NotifyObject;

INT_PTR CALLBACK PropertyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the model when the page is initialised: loaded from the registry once
// per object, or discovered while nothing usable is stored. Always 0.
INT_PTR PreparePageModel(NotifyObject* object);

// Adds the installed adapters of the maker's models, found through the
// object's network configuration, to the adapter list.
void DiscoverAdapters(NotifyObject* object);
