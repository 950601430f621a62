// SIGINT and SIGTERM noted for cantrel-cli to look at between steps.
#pragma once

namespace cantrel {

// SIGINT and SIGTERM only note that they came: the run looks at the note
// between two steps. A blocking call on the main thread (output to a reader
// that stopped reading) returns early when one comes; worker threads block
// both, so they always reach the main thread.
void InstallStopHandlers();

// The first of SIGINT and SIGTERM that came, or 0.
int StopSignal();

}  // namespace cantrel
