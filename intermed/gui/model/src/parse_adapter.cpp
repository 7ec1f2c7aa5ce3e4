#include "model/adapters.h"
#include "model/model_codes.h"
#include "reader_fields.h"
#include "reader_levels.h"

int Parse_Adapter(TextReader& reader, int32_t model)
{
  const char* const level = "Parse Adapter";
  Next_Token_After_Comma(reader);
  if (!Read_Sublist(reader, level, "expecting start of Installed sublist", "expecting end of Installed sublist",
                    TOKEN_OPEN, [&] { return Parse_Installed(reader, model); }))
    return 0;
  Next_Token_After_Comma(reader);
  return Read_Sublist(reader, level, "expecting start of List sublist", "expecting end of List sublist", TOKEN_OPEN,
                      [&] { return Parse_List(reader, model); });
}

int Parse_Installed(TextReader& reader, int32_t model)
{
  const char* const level = "Parse Installed";
  enum { BUS, DEVICE, FUNCTION, NUM_CARD, BUS_WIDTH, PORT, CONNECTION, FIELDS };
  static const char* const labels[FIELDS] = {"Bus Number", "Device Number", "Function Number", "NumCard",
                                             "Bus Width",  "Port Number",   "Connection Type"};
  int32_t field[FIELDS];
  for (int i = 0; i < FIELDS; ++i) {
    if (!Read_Signed_Field(reader, level, labels[i], i > 0, &field[i])) return 0;
    if (i == BUS_WIDTH && !Check_Bus_Width(reader, level, field[i])) return 0;
  }
  Get_Token(reader);
  if (!Expect_Token(reader, level, TOKEN_CLOSE, "expecting end of sublist")) return 0;
  // The device number doubles as the slot number; NumCard is not kept.
  AdapterValues values{model,         PCI_BUS_TYPE, field[BUS_WIDTH], field[BUS], field[DEVICE], field[DEVICE],
                       field[FUNCTION], field[PORT], field[CONNECTION], 0,          0};
  if (!Add_Adapter(values)) return 0;
  Next_Token_After_Comma(reader);
  return 1;
}

int Parse_List(TextReader& reader, int32_t model)
{
  const char* const level = "Parse List";
  enum { BUS, DEVICE, FUNCTION, FIELDS };
  static const char* const labels[FIELDS] = {"Bus Number", "Device Number", "Function Number"};
  int32_t field[FIELDS];
  for (int i = 0; i < FIELDS; ++i)
    if (!Read_Signed_Field(reader, level, labels[i], i > 0, &field[i])) return 0;
  Get_Token(reader);
  if (!Expect_Token(reader, level, TOKEN_CLOSE, "expecting end of sublist")) return 0;
  AdapterValues values{model,           PCI_BUS_TYPE, 32, field[BUS], field[DEVICE], field[DEVICE],
                       field[FUNCTION], 0,           Default_Connection_Type(model), 0, 0};
  if (!Add_Adapter(values)) return 0;
  Next_Token_After_Comma(reader);
  return 1;
}
