// The subcommands of tgv, each run with its parsed options. TgvCommands.cpp
// parses the command line and calls one of these; each returns the exit code
// or throws Failure.
#pragma once

#include "TgvSupport.h"

#include <optional>
#include <string>
#include <vector>

int RunTextures(TgvIo& io, const std::string& file, const std::string& target,
                const std::vector<std::string>& searchFolders, bool useRegistry, bool overwrite);

int RunDiff(TgvIo& io, const std::vector<std::string>& files, bool json);
// tgv diff as git's external diff driver (the seven or nine arguments): the
// records' differences on io.out, and 0 whatever happens, since git stops at
// a driver that exits otherwise; a side that cannot be read is said so.
int RunGitDiff(TgvIo& io, const std::vector<std::string>& args);

struct ContrastOptions {
    std::string file;
    double minimum = 30.0;
    std::string textureFolder;  // empty: colours only
    bool json = false;
};
int RunContrast(TgvIo& io, const ContrastOptions& options);

struct ReportOptions {
    std::string file;
    std::string output;
    std::string category;  // empty: every category
    std::string textureFolder;
    double minimum = 30.0;
    bool english = false;  // the page in English instead of Chinese
};
int RunReport(TgvIo& io, const ReportOptions& options);

struct SuggestOptions {
    std::string colour;          // "#RRGGBB"
    std::string anchor = "wall";  // wall, floor or ceiling
    std::size_t count = 8;
    std::string paints;  // a fan deck file; empty: none
    std::string page;    // the client page to write; empty: none
    bool json = false;
};
int RunSuggest(TgvIo& io, const SuggestOptions& options);

struct PaletteOptions {
    std::string file;
    std::string output;    // .ase or .gpl
    std::string category;  // empty: every category
};
int RunPalette(TgvIo& io, const PaletteOptions& options);
