#pragma once

namespace tools {

// Ctrl+C at a terminal: caught, so that an import stops at the next record,
// rolls its transaction back and leaves no journal behind, instead of
// leaving a half-written change for the next program to undo.
void catchInterruption();
bool interrupted();

} // namespace tools
