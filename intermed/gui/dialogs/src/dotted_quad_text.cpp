// The text of a dotted-quad field: four three-character slots at 0, 4, 8
// and 12, dots at 3, 7 and 11.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dialogs/dotted_quad_text.h"

const char DOTTED_QUAD_MASK[DOTTED_QUAD_LENGTH + 1] = "   .   .   .   ";

namespace {

constexpr int kSlots = 4;
constexpr int kSlotWidth = 3;
constexpr unsigned kLargestNumber = 255;
// Beyond this a slot's number is too large anyway; keeps the sum in range.
constexpr unsigned kNumberCap = 10000;

bool IsDotPosition(int position) { return position == 3 || position == 7 || position == 11; }

// The first '.' at or after `from` among the first `length` characters.
int FindDot(const char* text, int length, int from)
{
  for (int i = from < 0 ? 0 : from; i < length; ++i)
    if (text[i] == '.') return i;
  return -1;
}

struct Slot {
  bool digitsSeen = false;
  bool digitsEnded = false;
  unsigned value = 0;
};

// The caret for the slot that claimed it: after its last digit, or at the
// next slot's start when the slot is full.
int CaretInSlot(const char* text, int slot)
{
  int start = slot * (kSlotWidth + 1);
  for (int position = start + kSlotWidth - 1; position >= start; --position) {
    if (text[position] == ' ') continue;
    if (position < start + kSlotWidth - 1) return position + 1;
    return slot == kSlots - 1 ? DOTTED_QUAD_LENGTH : start + kSlotWidth + 1;
  }
  return start;
}

}  // namespace

DottedQuadText FormatDottedQuad(uint32_t value)
{
  DottedQuadText out;
  snprintf(out.text, sizeof out.text, "%-3u.%-3u.%-3u.%-3u", (value >> 24) & 0xFFu, (value >> 16) & 0xFFu,
           (value >> 8) & 0xFFu, value & 0xFFu);
  return out;
}

NormalizedDottedQuad NormalizeDottedQuad(const char* text, int length)
{
  std::string copy(text, static_cast<size_t>(length < 0 ? 0 : length));
  const char* s = copy.c_str();
  length = static_cast<int>(copy.size());

  Slot slots[kSlots];
  int caretSlot = -1;
  bool valid = true;
  auto claimCaret = [&caretSlot](int slot) {
    if (caretSlot == -1) caretSlot = slot;
  };

  int p = 0;
  int d1 = FindDot(s, length, 0);
  for (int i = 0; i < kSlots;) {
    int d2 = d1 == -1 ? -1 : FindDot(s, length, d1 + 1);
    // A dot typed inside a slot, next to the slot's own dot, closes it early.
    bool closedEarly = d2 == p + kSlotWidth + 1;
    for (int k = d1 + 1; closedEarly && k < d2; ++k) closedEarly = s[k] == ' ';
    if (closedEarly && i < kSlots - 1) claimCaret(i + 1);

    int end = d1 == -1 ? length : d1;
    if (end <= p) {
      claimCaret(i);
    } else {
      if (end - p > kSlotWidth) claimCaret(i);
      Slot& slot = slots[i];
      for (int k = p; k < end; ++k) {
        char c = s[k];
        if (c == ' ') {
          if (slot.digitsSeen) slot.digitsEnded = true;
        } else if (isdigit(static_cast<unsigned char>(c))) {
          if (slot.digitsEnded) {
            claimCaret(i);
            valid = false;
          } else {
            slot.value = slot.value * 10 + static_cast<unsigned>(c - '0');
            if (slot.value > kNumberCap) slot.value = kNumberCap;
            slot.digitsSeen = true;
          }
        } else {
          claimCaret(i);
          valid = false;
        }
      }
      if (!closedEarly && end - p < kSlotWidth) claimCaret(i);
    }

    if (++i == kSlots) break;
    if (closedEarly) {
      p = d2 + 1;
      d1 = FindDot(s, length, p + 1);
    } else {
      if (d1 == -1) break;
      p = d1 + 1;
      d1 = d2;
    }
  }

  NormalizedDottedQuad out;
  char* write = out.text;
  for (int i = 0; i < kSlots; ++i) {
    if (i > 0) *write++ = '.';
    if (!slots[i].digitsSeen) {
      memcpy(write, "   ", kSlotWidth);
    } else {
      unsigned value = slots[i].value;
      if (value > kLargestNumber) {
        valid = false;
        value = kLargestNumber;
      }
      char number[8];
      snprintf(number, sizeof number, "%-3u", value);
      memcpy(write, number, kSlotWidth);
    }
    write += kSlotWidth;
  }
  *write = '\0';
  out.valid = valid;
  out.caret = caretSlot == -1 ? DOTTED_QUAD_CARET_FROM_TEXT : CaretInSlot(out.text, caretSlot);
  return out;
}

int DottedQuadCaretFromText(const char* text)
{
  int length = static_cast<int>(strnlen(text, DOTTED_QUAD_LENGTH));
  for (int position = length - 1; position >= 0; --position) {
    if (IsDotPosition(position) || text[position] == ' ') continue;
    if (position == DOTTED_QUAD_LENGTH - 1) return DOTTED_QUAD_LENGTH;
    if (position % (kSlotWidth + 1) == kSlotWidth - 1) return position + 2;
    return position + 1;
  }
  return 0;
}

bool ParseDottedQuad(const char* text, uint32_t* value)
{
  *value = 0;
  std::string copy = std::string(text) + ".";
  unsigned numbers[kSlots];
  int found = 0;
  size_t start = 0;
  while (found < kSlots && start < copy.size()) {
    size_t dot = copy.find('.', start);
    if (dot == std::string::npos) break;
    if (dot > start) {  // a run of dots separates once
      std::string token = copy.substr(start, dot - start);
      long number = strtol(token.c_str(), nullptr, 10);
      if (number < 0 || number > static_cast<long>(kLargestNumber)) return false;
      numbers[found++] = static_cast<unsigned>(number);
    }
    start = dot + 1;
  }
  if (found < kSlots) return false;
  *value = numbers[0] << 24 | numbers[1] << 16 | numbers[2] << 8 | numbers[3];
  return true;
}
