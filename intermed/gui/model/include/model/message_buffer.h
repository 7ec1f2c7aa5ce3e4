#pragma once
// The one process-wide message buffer. Every model operation that fails
// leaves one English message here, replacing the previous one; operations
// that succeed leave it alone. Callers show it or ignore it.

constexpr int MESSAGE_BUFFER_SIZE = 1024;

// The current message (never null; empty before the first failure).
const char* Model_Message();

// Replaces the message with a printf-style text, cut to fit the buffer.
#if defined(__GNUC__) && !defined(_WIN32)
__attribute__((format(printf, 1, 2)))
#endif
void Set_Model_Message(const char* format, ...);

void Clear_Model_Message();
