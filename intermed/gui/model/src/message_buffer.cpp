#include "model/message_buffer.h"
#include <cstdarg>
#include <cstdio>

namespace {
char message[MESSAGE_BUFFER_SIZE];
}

const char* Model_Message() { return message; }

void Set_Model_Message(const char* format, ...)
{
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
}

void Clear_Model_Message() { message[0] = '\0'; }
