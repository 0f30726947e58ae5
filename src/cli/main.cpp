#include "Cli.h"

#include <iostream>

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>

namespace {

// The arguments as the user typed them, in UTF-8: the narrow argv of a Windows program
// holds them in the ANSI code page, which cannot hold every name.
std::vector<std::string> utf8Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? std::size_t(size - 1) : 0, '\0');
        if (size > 1)
            ::WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(text));
    }
    ::LocalFree(wide);
    return arguments;
}

UINT g_consoleOutputPage = 0;

// Messages are UTF-8 and end lines with LF, as on Linux: the console shows them in its UTF-8
// code page (given back at the end), and a redirected output gets the same bytes as on
// Linux, not CR LF.
void prepareConsole() {
    g_consoleOutputPage = ::GetConsoleOutputCP();
    if (g_consoleOutputPage != 0 && g_consoleOutputPage != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8))
        std::atexit([] { ::SetConsoleOutputCP(g_consoleOutputPage); });
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

} // namespace

int main() {
    prepareConsole();
    const int status = ordane::cli::run(utf8Arguments(), std::cout, std::cerr);
    std::cout.flush();
    return status;
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return ordane::cli::run(arguments, std::cout, std::cerr);
}
#endif
