// The actions of the main trunk dialog, one per button or notification.
// Each works on the model at once and then refreshes the lists it changed.
#pragma once

#include <windows.h>

struct Link;

// The trunk selected in the trunk box, or null after showing the error
// `noSelection` (nothing selected) or "Could not get proper Trunk!".
Link* SelectedTrunk(HWND dialog, const wchar_t* noSelection, int* position = nullptr);

// Whether the model holds any trunk.
bool HasTrunks();

// Shows the trunk's type, first turning "not chosen" into symmetric.
void ShowStoredTrunkType(HWND dialog, Link* link);

void OnTrunkSelected(HWND dialog);
void OnCreateTrunk(HWND dialog);
void OnRenameTrunk(HWND dialog);
void OnDeleteTrunk(HWND dialog);
void OnTrunkTypeClicked(HWND dialog, int button);
void OnAddInterface(HWND dialog);
void OnRemoveInterface(HWND dialog);
void OnSpeedDuplex(HWND dialog);
void OnAdvanced(HWND dialog);
void OnPriorityTrunking(HWND dialog);
