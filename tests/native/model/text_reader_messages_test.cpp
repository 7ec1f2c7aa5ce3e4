#include "model/tokenizer.h"
#include "model_fixture.h"

namespace {
struct RefusedList {
  const char* text;
  const char* message;
};

// Trunk entries wrapped into a whole list.
#define TRUNKS(entries) "{{TmrxLink,{" entries "}}}"
#define MEMBER(fields) TRUNKS("{T,2,1,{},{" fields "}}")

const RefusedList refused[] = {
    // Wrong tokens, level by level.
    {"K250", "Parse Input: Expecting {, received a word, expecting start of overall list!"},
    {"", "Parse Input: Expecting {, received EOS, expecting start of overall list!"},
    {"{,}", "Parse Input: Expecting }, received a comma, expecting close of overall list!"},
    {"{", "Parse Input: Expecting }, received EOS, expecting close of overall list!"},
    {"{{,K250}}", "Parse Input: Expecting a word, received a comma, expecting sublist type!"},
    {"{{K250,{},{},}}", "Parse Input: Expecting }, received a comma, expecting close of sublist!"},
    {"{}}", "Parse Input: Expecting EOS, received }, expecting finish of overall list!"},
    {"{} x", "Parse Input: Expecting EOS, received a word, expecting finish of overall list!"},
    {"{{K250}}", "Parse Adapter: Expecting {, received }, expecting start of Installed sublist!"},
    {"{{K250,{,}}}", "Parse Adapter: Expecting }, received a comma, expecting end of Installed sublist!"},
    {"{{K250,{}}}", "Parse Adapter: Expecting {, received }, expecting start of List sublist!"},
    {"{{K250,{},{x}}}", "Parse Adapter: Expecting }, received a word, expecting end of List sublist!"},
    {"{{K250,{{0 4 0 1 32 1 0 9}},{}}}", "Parse Installed: Expecting }, received a word, expecting end of sublist!"},
    {"{{K250,{{0 4 0 1 32 1}},{}}}", "Parse Installed: Expecting a word, received }, Connection Type!"},
    {"{{K250,{{,0 4 0 1 32 1 0}},{}}}", "Parse Installed: Expecting a word, received a comma, Bus Number!"},
    {"{{K100TX,{},{{0 9}}}}", "Parse List: Expecting a word, received }, Function Number!"},
    {"{{K100TX,{},{{0 9 0 1}}}}", "Parse List: Expecting }, received a word, expecting end of sublist!"},
    {"{{TmrxLink}}", "Parse TmrxLink: Expecting {, received }, expecting start of LinkInfo sublist!"},
    {"{{TmrxLink,{x}}}", "Parse TmrxLink: Expecting }, received a word, expecting end of LinkInfo sublist!"},
    {TRUNKS("{}"), "Parse LinkInfo: Expecting a word, received }, expecting Trunk Name!"},
    {TRUNKS("{Main {}}"), "Parse LinkInfo: Expecting a comma, received {, terminating Trunk Name!"},
    {TRUNKS("{Main,,2,1,{},{}}"), "Parse LinkInfo: Expecting a word, received a comma, Trunk Type!"},
    {TRUNKS("{Main,2,{},{}}"), "Parse LinkInfo: Expecting a word, received {, Transmit Policy!"},
    {TRUNKS("{Main,2,1,2 0 0 0 0 0,{}}"),
     "Parse LinkInfo: Expecting {, received a word, expecting start of PriorityTrunk sublist!"},
    {TRUNKS("{Main,2,1,{2 0 0 0 0 0,{}}"),
     "Parse LinkInfo: Expecting }, received {, expecting end of PriorityTrunk sublist!"},
    {TRUNKS("{Main,2,1,{}}"), "Parse LinkInfo: Expecting {, received }, expecting start of PortsList sublist!"},
    {TRUNKS("{Main,2,1,{},{x}}"), "Parse LinkInfo: Expecting }, received a word, expecting end of PortsList sublist!"},
    {TRUNKS("{Main,2,1,{},{},}"), "Parse LinkInfo: Expecting }, received a comma, expecting end of sublist!"},
    {TRUNKS("{T,2,1,{2, 0 0 0 0 0},{}}"), "Parse PTrunks: Expecting a word, received a comma, netproto!"},
    {TRUNKS("{T,2,1,{2 0 0 0 0},{}}"), "Parse PTrunks: Expecting a word, received }, socket!"},
    {MEMBER("{K250,5,32,0,4,4,0,1,0,0}"), "Parse PortsList: Expecting a word, received }, TdCount!"},
    {MEMBER("{,K250,5,32,0,4,4,0,1,0,0,0}"), "Parse PortsList: Expecting a word, received a comma, Adapter Name!"},
    {MEMBER("{K250,5,32,0,4,4,0,1,0,0,0 0}"),
     "Parse PortsList: Expecting }, received a word, expecting end of sublist!"},
    // Bad field values.
    {"{{K999,{},{}}}", "Parse Input: invalid adapter name (K999)!"},
    {"{{k250,{},{}}}", "Parse Input: invalid adapter name (k250)!"},
    {"{{K250,{{0 4 0 1 48 1 0}},{}}}", "Parse Installed: invalid Bus Width, got (48)!"},
    {"{{K250,{{0 x4 0 1 32 1 0}},{}}}", "Parse Installed: Device Number, got (x4)!"},
    {"{{K250,{{0 4 0 - 32 1 0}},{}}}", "Parse Installed: NumCard, got (-)!"},
    {"{{K250,{},{{0 4 f}}}}", "Parse List: Function Number, got (f)!"},
    {TRUNKS("{Main,two,1,{},{}}"), "Parse LinkInfo: Trunk Type, got (two)!"},
    {TRUNKS("{T,2,1,{p 0 0 0 0 0},{}}"), "Parse PTrunks: invalid ports, got (p)!"},
    {TRUNKS("{T,2,1,{2 IP 0 0 0 0},{}}"), "Parse PTrunks: netproto, got (IP)!"},
    {MEMBER("{K999,5,32,0,4,4,0,1,0,0,0}"), "Parse PortsList: Adapter Name, got (K999)!"},
    {MEMBER("{K250,4,32,0,4,4,0,1,0,0,0}"), "Parse PortsList: expected Bus Type of 5, got (4)!"},
    {MEMBER("{K250,5,16,0,4,4,0,1,0,0,0}"), "Parse PortsList: invalid Bus Width, got (16)!"},
    {MEMBER("{K250,5,32,0,4,4,0,1,0,zero,0}"), "Parse PortsList: RdCount, got (zero)!"},
    // Numbers that the field they go into cannot hold.
    {"{{K250,{{2147483648 4 0 1 32 1 0}},{}}}", "Parse Installed: Bus Number, got (2147483648)!"},
    {"{{K250,{{0 4 0 1 32 1 -2147483649}},{}}}", "Parse Installed: Connection Type, got (-2147483649)!"},
    {"{{K250,{{0 4 0 99999999999999999999999 32 1 0}},{}}}",
     "Parse Installed: NumCard, got (99999999999999999999999)!"},
    {TRUNKS("{T,2,1,{2 0 0 0 4294967296 0},{}}"), "Parse PTrunks: netmask, got (4294967296)!"},
    {TRUNKS("{T,2,1,{2 -1 0 0 0 0},{}}"), "Parse PTrunks: netproto, got (-1)!"},
    {TRUNKS("{T,2,1,{2147483648 0 0 0 0 0},{}}"), "Parse PTrunks: invalid ports, got (2147483648)!"},
    {TRUNKS("{T,2,1,{-1 0 0 0 0 0},{}}"), "Parse PTrunks: invalid ports, got (-1)!"},
};

#undef MEMBER
#undef TRUNKS
}  // namespace

using TextReaderMessages = ModelTest;

TEST_F(TextReaderMessages, EveryRefusalHasItsMessageAndEmptiesTheModel)
{
  for (const RefusedList& list : refused) {
    Reset();
    Adapter_At(MODEL_K250, 9, 9);   // what was there before the read goes too
    EXPECT_EQ(Read_Text_List(list.text), 0) << list.text;
    EXPECT_EQ(Message(), list.message) << list.text;
    EXPECT_EQ(Adapter_Count(), 0) << list.text;
    EXPECT_EQ(Link_Count(), 0) << list.text;
  }
}

TEST_F(TextReaderMessages, LongestFieldValuesStillFit)
{
  ASSERT_EQ(Read_Text_List("{{TmrxLink,{{T,2,1,{2147483647 4294967295 4294967295 4294967295 4294967295 4294967295},"
                           "{{K250,5,64,-2147483648,2147483647,2147483647,0,1,0,0,0}}}}}}"),
            1)
      << Message();
  EXPECT_EQ(First_Link()->Priorities->ports, INT32_MAX);
  EXPECT_EQ(First_Adapter()->BusNumber, INT32_MIN);
}

TEST_F(TextReaderMessages, TokenizerRefusesWordsOf64Characters)
{
  std::string text = "{{TmrxLink,{{" + std::string(64, 'w') + ",2,1,{},{}}}}}";
  EXPECT_EQ(Read_Text_List(text.c_str()), 0);
  EXPECT_EQ(Message(), "Get Token: word exceeded max word length!") << "the levels above add nothing";
  text = "{" + std::string(500, 'w') + "}";
  EXPECT_EQ(Read_Text_List(text.c_str()), 0);
  EXPECT_EQ(Message(), "Get Token: word exceeded max word length!");
}

TEST_F(TextReaderMessages, FailureInTheLastSublistUndoesEverything)
{
  std::string text = "{{K250,{{0 4 0 1 32 1 0}},{}},{TmrxLink,{{T,2,1,{2 0 0 0 0 0},{{K250,5,32,0,4,4,0,1,0,0,0}}}}},"
                     "{K100TX,{},{{0 9}}}}";
  EXPECT_EQ(Read_Text_List(text.c_str()), 0);
  EXPECT_EQ(Message(), "Parse List: Expecting a word, received }, Function Number!");
  EXPECT_EQ(First_Adapter(), nullptr);
  EXPECT_EQ(First_Link(), nullptr);
  EXPECT_EQ(Read_Text_List("{{K250,{},{{0 4 0}}}}"), 1);
  EXPECT_EQ(First_Adapter()->adapter_id, 1) << "ids start again after the emptied model";
}

TEST_F(TextReaderMessages, TokenNames)
{
  const char* names[] = {"*error*", "EOS", "{", "}", "a comma", "a word", "*error*"};
  for (int token = 0; token <= 6; ++token) EXPECT_STREQ(Token_Name(token), names[token]) << "token " << token;
}
