// The text logic of the dotted-quad address field, without a window: the
// fixed text "aaa.bbb.ccc.ddd" (each number left-aligned in a three-character
// slot), its reformatting after an edit, the caret and the parsed address.
#pragma once

#include <cstdint>

constexpr int DOTTED_QUAD_LENGTH = 15;
// One typed character may be inserted into a full text before reformatting.
constexpr int DOTTED_QUAD_LIMIT = 17;
// Caret value meaning "derive it from the text".
constexpr int DOTTED_QUAD_CARET_FROM_TEXT = -1;
extern const char DOTTED_QUAD_MASK[DOTTED_QUAD_LENGTH + 1];   // "   .   .   .   "

struct DottedQuadText {
  char text[DOTTED_QUAD_LENGTH + 1];
};

// "%-3d.%-3d.%-3d.%-3d" of the four bytes, most significant first.
DottedQuadText FormatDottedQuad(uint32_t value);

struct NormalizedDottedQuad {
  char text[DOTTED_QUAD_LENGTH + 1];
  int caret;     // 0 to 15, or DOTTED_QUAD_CARET_FROM_TEXT
  bool valid;    // no stray character, no digit after a gap, no number above 255
};

// Reformats the first `length` characters of an edited text.
NormalizedDottedQuad NormalizeDottedQuad(const char* text, int length);

// Where the caret goes when none was computed: after the last digit, or at
// the next slot's start when that digit fills its slot; 0 for the empty mask.
int DottedQuadCaretFromText(const char* text);

// Four dot-separated numbers below 256: true and the address; false and 0.
bool ParseDottedQuad(const char* text, uint32_t* value);
