#pragma once

// Reads the installer's nested text list into the model: 1 on success; 0 on
// failure, with the message of the first failure in the message buffer and
// the model emptied. Records are appended to what the model already holds.
int Read_Text_List(const char* text);
