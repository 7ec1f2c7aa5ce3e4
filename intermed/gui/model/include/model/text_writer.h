#pragma once

// The model as the flat text list returned to the installer (flag 1), or
// "{}" (flag 0, the user cancelled). The text comes from the C heap and
// belongs to the caller (free()); null on failure, with the message set.
char* Set_Return_String(int flag);
