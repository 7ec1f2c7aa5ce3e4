#pragma once
// Internal: one reader per level of the nested text list. Each returns 1 or
// 0 after writing its message, and leaves the reader where the level above
// continues.
#include <cstdint>
#include "model/tokenizer.h"

struct Link;
struct PriorityTrunk;

int Parse_Input(TextReader& reader);
// The body of an adapter sublist; the keyword has been read.
int Parse_Adapter(TextReader& reader, int32_t model);
// One entry each; the entry's "{" is the current token.
int Parse_Installed(TextReader& reader, int32_t model);
int Parse_List(TextReader& reader, int32_t model);
// The body of a TmrxLink sublist; the keyword has been read.
int Parse_TmrxLink(TextReader& reader);
// One trunk entry; its "{" is the current token.
int Parse_LinkInfo(TextReader& reader);
// One rule; the word that opens it is the current token.
int Parse_PTrunks(TextReader& reader, Link* link, PriorityTrunk** lastRead);
// One member entry; its "{" is the current token.
int Parse_PortsList(TextReader& reader, Link* link);
