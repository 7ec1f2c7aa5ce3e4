// The five speed and duplex check boxes of the "Speed and Duplex Settings"
// dialog, and the ConnectionType codes they stand for.
#pragma once

#include <windows.h>

#include <cstdint>

enum SpeedDuplexBox : unsigned {
  BOX_100 = 1u << 0,
  BOX_10 = 1u << 1,
  BOX_AUTO = 1u << 2,
  BOX_FULL = 1u << 3,
  BOX_HALF = 1u << 4,
};

// The boxes checked for a code: AutoSense for 0 and unknown codes, none for
// the "no member" (-1) and "mixed" (99) results.
unsigned SpeedDuplexBoxesOf(int32_t code);

// The code that a set of checked boxes stands for.
int32_t SpeedDuplexCodeOf(unsigned checked);

// The code a click on `clicked` chooses, given the boxes checked before the
// click: the boxes act as two linked choices, speed and duplex.
int32_t SpeedDuplexCodeAfterClick(unsigned clicked, unsigned checked);

// Model codes whose speed is fixed (W10FX, W100FX, W250FX).
bool IsFixedSpeedModel(int32_t model);

// Dialog side: check exactly the boxes of `code`; read what is checked
// (hidden boxes count too); hide the three speed choices.
void ShowSpeedDuplex(HWND dialog, int32_t code);
int32_t ReadSpeedDuplex(HWND dialog);
void HideSpeedChoices(HWND dialog);
unsigned CheckedSpeedBoxes(HWND dialog);
// The box that control `id` is, 0 for any other control.
unsigned SpeedBoxOfControl(int id);
