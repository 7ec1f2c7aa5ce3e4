#pragma once
// The aggregation model: adapters, trunks and their priority rules, the text
// list reader and writer. Process-wide, unlocked: one configuration run at a time.
#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "model/priority.h"
#include "model/protocol_tables.h"
#include "model/text_field.h"
#include "model/text_reader.h"
#include "model/text_writer.h"
#include "model/wide_text.h"

// Empties the whole model: every trunk with its rules, then every adapter.
void Empty_Model();
