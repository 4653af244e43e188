// Start-up and shut-down of the data-access library's units, in unit order: encodings, utilities,
// lexer. Nesting-counted: only the outermost pair does the work.
#pragma once

namespace data {

void InitStorageUnits();
void DoneStorageUnits();

} // namespace data
