// The tgv command line: library and exchange files (.tgv) inspected,
// validated, compared, converted to and from the readable form, merged,
// reported as a colour catalogue, and their texture files collected.
// Arguments and all output are UTF-8.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// args[0] is the program name. Returns the exit code: 0 success, 1 problems
// found or files differ, 2 usage error or unreadable input. in is standard
// input ("-" as a file, and the answers of an interactive merge, which are
// asked for only when inputIsTerminal).
int RunTgv(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           bool inputIsTerminal = false);
