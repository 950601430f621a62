// cantrel-cli's output: names made safe for the terminal, standard output and standard error.
#pragma once

#include <string_view>

#include "runtime/String.h"

namespace cantrel {

// Text for the terminal: control characters (C0, DEL, C1) and bytes of a
// name that are not UTF-8 become "?", so a folder name can neither move
// the cursor nor send escape sequences, and a report stays one line.
String TerminalSafe(StringView Text);

// Writes one line "cantrel-cli: Text" to standard error.
void Report(StringView Text);
// Writes to standard error as it is, for the progress line.
void WriteErr(StringView Text);

// Standard output, with its first failure kept: a full disk or a closed
// pipe must not pass for a finished list. Output, to standard error too,
// waits for a reader only until a stop signal comes; after that what did not
// fit is dropped, and the run ends as interrupted, not failed.
void WriteOut(std::string_view Bytes);
bool OutputFailed();
// Hands what is buffered to the system, so that it comes before what
// follows on standard error.
void FlushOutput();
// Flushes and closes standard output; on a failure, now or earlier, reports
// "write error: <system text>" and answers false.
bool CloseOutput();

}  // namespace cantrel
