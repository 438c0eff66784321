// tgv merge: an exchange file into a library, conflicts decided by a policy
// or asked on the terminal.
#pragma once

#include "TgvSupport.h"

#include <string>

int RunMerge(TgvIo& io, const std::string& libraryFile, const std::string& exchange, const std::string& policy,
             const std::string& output);

// tgv merge3: git's three-way merge of a library (base, ours, theirs, and the
// library's path in the repository). Records are matched by category and
// name; the result goes to ours. Exit 0 when merged cleanly, 1 when records
// conflict (their versions go to an exchange file beside the library), 2
// when a side cannot be read (ours is then left as it was).
int RunMerge3(TgvIo& io, const std::string& base, const std::string& ours, const std::string& theirs,
              const std::string& libraryPath);
