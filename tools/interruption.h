#pragma once

namespace tools {

// Ctrl+C (SIGINT) or SIGTERM means stop. An import notices at its next
// record, rolls its transaction back and says so. Any command still busy
// half a second later (waiting for a lock, a pipe, a server) is ended then,
// unless a commit is under way, which is let finish: what it had not
// committed the engine rolls back.
void catchInterruption();
bool interrupted();
// 128 plus the signal's number, as shells report a program a signal ended.
int interruptionExitCode();

} // namespace tools
