// Checks shared by the library's fuzz targets: a broken check prints what
// broke and aborts, which libFuzzer reports as a finding.
#pragma once

void Fuzz_Check(bool holds, const char* what);

enum class IdOrder { Increasing, Unique };

// The model's invariants: adapter and link ids positive and unique (or, for
// a model built only by appending, increasing along their lists), every
// link_id naming a trunk or 0, each NumAdapters counting its members, at most
// one default rule per trunk, every text within its field, the counts right.
void Check_Model_Invariants(IdOrder order);
