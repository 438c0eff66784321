// tgv's entry: gathers the arguments as UTF-8 and runs the command with the
// process's standard streams.
#include "TgvCommands.h"

#include <iostream>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

namespace {
std::string WideToUtf8(const wchar_t* text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, s.data(), n, nullptr, nullptr);
    return s;
}
}  // namespace

int main()
{
    // The arguments as the user typed them, whatever the ANSI code page is.
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
        args.push_back(WideToUtf8(wide[i]));
    LocalFree(wide);
    SetConsoleOutputCP(CP_UTF8);
    // Library files pass through "-" byte for byte: no newline translation.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    const bool terminal = _isatty(_fileno(stdin)) != 0;
    try {
        return RunTgv(args, std::cin, std::cout, std::cerr, terminal);
    } catch (const std::exception& e) {
        std::cerr << "tgv: " << e.what() << "\n";
        return 2;
    }
}
#else
#include <unistd.h>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv, argv + argc);
    try {
        return RunTgv(args, std::cin, std::cout, std::cerr, isatty(0) != 0);
    } catch (const std::exception& e) {
        std::cerr << "tgv: " << e.what() << "\n";
        return 2;
    }
}
#endif
