// libFuzzer target: the field text logic of the priority rule entry dialog,
// without a window. Any bytes go through the dotted-quad field's reformatting,
// caret and parsing, and through the typed protocol choice "(hex code)name".
// What comes out is well formed and survives being formatted and read again.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "dialogs/dotted_quad_text.h"
#include "dialogs/protocol_text.h"
#include "model_invariants.h"

namespace {

bool Slot_Filled(const char* text, int slot) { return text[slot * 4] != ' '; }

// "aaa.bbb.ccc.ddd": dots in their places, each slot digits then blanks,
// no number above 255.
void Check_Normalized_Form(const char* text)
{
  Fuzz_Check(std::strlen(text) == DOTTED_QUAD_LENGTH, "normalized text has 15 characters");
  for (int slot = 0; slot < 4; ++slot) {
    const char* start = text + slot * 4;
    if (slot < 3) Fuzz_Check(start[3] == '.', "dots at 3, 7 and 11");
    int digits = 0;
    while (digits < 3 && std::isdigit(static_cast<unsigned char>(start[digits]))) ++digits;
    for (int i = digits; i < 3; ++i) Fuzz_Check(start[i] == ' ', "a slot is digits, then blanks");
    if (digits > 0) Fuzz_Check(std::atoi(std::string(start, digits).c_str()) <= 255, "no number above 255");
  }
}

void Check_Dotted_Quad(const char* text, int length)
{
  const NormalizedDottedQuad normal = NormalizeDottedQuad(text, length);
  Check_Normalized_Form(normal.text);
  Fuzz_Check(normal.caret == DOTTED_QUAD_CARET_FROM_TEXT || (normal.caret >= 0 && normal.caret <= DOTTED_QUAD_LENGTH),
             "caret within the text");
  const int derived = DottedQuadCaretFromText(normal.text);
  Fuzz_Check(derived >= 0 && derived <= DOTTED_QUAD_LENGTH, "derived caret within the text");

  const NormalizedDottedQuad again = NormalizeDottedQuad(normal.text, DOTTED_QUAD_LENGTH);
  Fuzz_Check(again.valid && std::strcmp(again.text, normal.text) == 0, "a normalized text stays as it is");

  uint32_t address = 0;
  const bool complete = Slot_Filled(normal.text, 0) && Slot_Filled(normal.text, 1) && Slot_Filled(normal.text, 2) &&
                        Slot_Filled(normal.text, 3);
  const bool parsed = ParseDottedQuad(normal.text, &address);
  if (complete) {
    Fuzz_Check(parsed, "four filled slots parse");
    Fuzz_Check(std::strcmp(FormatDottedQuad(address).text, normal.text) == 0, "the parsed address formats back");
  }

  const std::string raw(text, static_cast<std::size_t>(length));
  if (ParseDottedQuad(raw.c_str(), &address)) {
    uint32_t reread = 0;
    Fuzz_Check(ParseDottedQuad(FormatDottedQuad(address).text, &reread) && reread == address,
               "a parsed address reads back from its text");
  } else {
    Fuzz_Check(address == 0, "a refused text leaves 0");
  }
}

void Check_Protocol_Text(const char* text)
{
  uint32_t code = 0;
  char name[PROTOCOL_NAME_SIZE];
  std::memset(name, 0x7F, sizeof name);
  if (!ParseProtocolText(text, &code, name)) return;
  Fuzz_Check(std::memchr(name, '\0', sizeof name) != nullptr, "the name fits its field");
  char shown[64];
  std::snprintf(shown, sizeof shown, "(%x)%s", code, name);
  uint32_t rereadCode = 0;
  char rereadName[PROTOCOL_NAME_SIZE];
  Fuzz_Check(ParseProtocolText(shown, &rereadCode, rereadName), "a shown choice parses");
  Fuzz_Check(rereadCode == code && std::strcmp(rereadName, name) == 0, "a shown choice reads back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
  const std::string text(reinterpret_cast<const char*>(data), size);
  Check_Dotted_Quad(text.c_str(), static_cast<int>(size));
  Check_Protocol_Text(text.c_str());
  return 0;
}
