// The text a user types into a protocol choice box of the priority rule
// entry dialog, "(hex code)name", without a window.
#pragma once

#include <cstdint>

constexpr int PROTOCOL_NAME_SIZE = 32;   // the rule's name fields

// "(%x)%s" gives the code and the first word after the parenthesis (cut to
// 31 characters); "(%x)" alone gives an empty name; anything else is false.
bool ParseProtocolText(const char* text, uint32_t* code, char name[PROTOCOL_NAME_SIZE]);
