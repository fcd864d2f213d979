// TemporaryNames keeps the names of the temporary files the tool has given a name and
// not yet put in place or removed, so that SIGINT and SIGTERM remove them before the
// tool exits, with status 130 or 143 (128 and the signal's number, as a shell reports
// a command those signals end). guard() installs the handlers; OutputFile calls it
// for every file it writes, so that those signals always end the tool that way.
//
// A signal handler can reach nothing but the process's own state, so the names lie
// in a fixed table of the process: the thread that writes the files notes and forgets
// names, the handlers only read them. Unnamed temporary files (O_TMPFILE) need no
// entry: the system drops them with the process.
#ifndef LYRA_TOOLS_TEMPORARY_NAMES_H_
#define LYRA_TOOLS_TEMPORARY_NAMES_H_

#include <string>

namespace temporary_names {

// Installs the handlers of SIGINT and SIGTERM, once.
void guard();
// Notes a file to remove on those signals; returns its entry, or -1 when the table is
// full or the name too long (the file is then left behind by a signal).
int note(const std::string& path);
// The file of the entry is gone or in place; -1 does nothing.
void forget(int entry);

}  // namespace temporary_names

#endif  // LYRA_TOOLS_TEMPORARY_NAMES_H_
