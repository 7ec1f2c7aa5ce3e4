#pragma once
#include <cstdint>

// Model codes: which adapter model a record stands for. Code 13 is the
// aggregate itself; its keyword opens a trunk sublist in the text list.
enum ModelCodeValue : int32_t {
  MODEL_K10FX = 0,
  MODEL_K100TX = 1,
  MODEL_K100FX = 2,
  MODEL_K250 = 3,
  MODEL_K250FX = 4,
  MODEL_K260 = 5,
  MODEL_K290 = 6,
  MODEL_K1000 = 7,
  MODEL_K1200 = 8,
  MODEL_W10FX = 9,
  MODEL_W100FX = 10,
  MODEL_W250FX = 11,
  MODEL_W1000 = 12,
  MODEL_TMRXLINK = 13,
};

constexpr int32_t MODEL_NOT_FOUND = -1;
constexpr int MODEL_KEYWORD_MAX = 15;

// How the writer treats an adapter of this model that is in no trunk.
enum class UnassignedEntry { Written, LeftOut, InternalError };

struct ModelCode {
  int32_t code;
  const char* keyword;
  const char* displayText;          // begins with one blank
  int32_t defaultConnectionType;    // for List entries of the text list
  UnassignedEntry unassigned;
  bool locationSuffix;              // display name ends in " (bus:%d, dev:%d) "
  int32_t devOffset;                // subtracted from the slot for "dev"
};

// The table row of a code, or null for a code outside 0 to 13.
const ModelCode* Model_Code_Row(int32_t code);

// Code of the keyword equal to `text` (case-sensitive), or MODEL_NOT_FOUND.
int32_t Find_Model_Keyword(const char* text);

// The code's keyword, or null for an unknown code.
const char* Model_Keyword(int32_t code);

// Default ConnectionType of a List entry of this model (0 for unknown codes).
int32_t Default_Connection_Type(int32_t code);

// "[number]" + display text (+ location suffix for codes 0 to 12), in
// storage from Model_Alloc. Null for an unknown code (no message) or when
// out of memory ("Failure to allocate message buffer!").
char* Make_Display_Name(int32_t number, int32_t code, int32_t busNumber, int32_t slotNumber);
