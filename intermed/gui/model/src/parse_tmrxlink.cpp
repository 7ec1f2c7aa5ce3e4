#include "model/links.h"
#include "model/priority.h"
#include "reader_fields.h"
#include "reader_levels.h"

namespace {
const char* const LEVEL = "Parse LinkInfo";

// The name's words joined by one blank, cut to what TrunkName holds.
class TrunkNameWords {
public:
  void Add(const char* word)
  {
    if (!empty_) Append(' ');
    for (; *word; ++word) Append(*word);
    empty_ = false;
  }
  bool Empty() const { return empty_; }
  const char* Text() const { return text_; }

private:
  void Append(char c)
  {
    if (length_ < TRUNK_NAME_MAX) text_[length_++] = c;
  }
  char text_[TRUNK_NAME_MAX + 1] = "";
  int length_ = 0;
  bool empty_ = true;
};

int32_t Known_Or_Zero(int32_t value) { return value >= 1 && value <= 3 ? value : 0; }
}  // namespace

int Parse_TmrxLink(TextReader& reader)
{
  Next_Token_After_Comma(reader);
  return Read_Sublist(reader, "Parse TmrxLink", "expecting start of LinkInfo sublist",
                      "expecting end of LinkInfo sublist", TOKEN_OPEN, [&] { return Parse_LinkInfo(reader); });
}

int Parse_LinkInfo(TextReader& reader)
{
  TrunkNameWords name;
  Get_Token(reader);
  if (reader.token == TOKEN_WORD) {
    for (; reader.token == TOKEN_WORD; Get_Token(reader)) name.Add(reader.word);
    if (!Expect_Token(reader, LEVEL, TOKEN_COMMA, "terminating Trunk Name")) return 0;
  } else if (reader.token != TOKEN_COMMA) {
    return Report_Wrong_Token(LEVEL, TOKEN_WORD, reader.token, "expecting Trunk Name");
  }
  int32_t trunkType;
  int32_t transmitPolicy;
  if (!Read_Signed_Field(reader, LEVEL, "Trunk Type", false, &trunkType)) return 0;
  if (!Read_Signed_Field(reader, LEVEL, "Transmit Policy", true, &transmitPolicy)) return 0;

  Link* link = Add_Link();
  if (!link) return 0;
  if (!name.Empty()) Set_Trunk_Name(link, name.Text());
  link->TrunkType = Known_Or_Zero(trunkType);
  link->TransType = Known_Or_Zero(transmitPolicy);

  PriorityTrunk* lastRead = nullptr;
  Next_Token_After_Comma(reader);
  if (!Read_Sublist(reader, LEVEL, "expecting start of PriorityTrunk sublist", "expecting end of PriorityTrunk sublist",
                    TOKEN_WORD, [&] { return Parse_PTrunks(reader, link, &lastRead); }))
    return 0;
  // The last rule of the text, now first in the list, is the default.
  Make_Default_Priority(lastRead);

  Next_Token_After_Comma(reader);
  if (!Read_Sublist(reader, LEVEL, "expecting start of PortsList sublist", "expecting end of PortsList sublist",
                    TOKEN_OPEN, [&] { return Parse_PortsList(reader, link); }))
    return 0;
  Get_Token(reader);
  if (!Expect_Token(reader, LEVEL, TOKEN_CLOSE, "expecting end of sublist")) return 0;
  Next_Token_After_Comma(reader);
  return 1;
}
