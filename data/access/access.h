// Start-up and shut-down of the database access layer's units, in unit order. Nesting-counted: only
// the outermost pair does the work.
#pragma once

namespace data {

void InitAccessUnits();
void DoneAccessUnits();

} // namespace data
