// The tgv command line: library and exchange files (.tgv) inspected,
// validated, converted to and from the readable form, merged, and their
// texture files collected. Arguments and all output are UTF-8.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// args[0] is the program name. Returns the exit code: 0 success, 1 failure
// or problems found, 2 usage error. in serves the interactive merge.
int RunTgv(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);
