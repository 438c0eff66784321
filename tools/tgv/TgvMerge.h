// tgv merge: an exchange file into a library, conflicts decided by a policy
// or asked on the terminal.
#pragma once

#include "TgvSupport.h"

#include <string>

int RunMerge(TgvIo& io, const std::string& libraryFile, const std::string& exchange, const std::string& policy,
             const std::string& output);
