// A console program's arguments as UTF-8, the form file names take inside.
// Linux hands them over as bytes, taken as they are. Windows keeps the
// command line in UTF-16 and gives main() the ANSI code page's form, which
// loses most letters, so there they are read again from the command line.
#pragma once

#include <string>
#include <vector>

namespace tvx {

// The texts themselves (Utf8Arguments.cpp, windows/Utf8Arguments.cpp).
std::vector<std::string> Utf8Arguments(int argc, char **argv);

class ProgramArguments {
public:
    // `argc` and `argv` as main() got them.
    ProgramArguments(int argc, char **argv);
    ProgramArguments(const ProgramArguments &) = delete;
    ProgramArguments &operator=(const ProgramArguments &) = delete;

    // In main()'s form, valid while this lives: `argv[Count()]` is null.
    int Count() const { return static_cast<int>(texts_.size()); }
    char **Values() { return pointers_.data(); }

private:
    std::vector<std::string> texts_;
    std::vector<char *> pointers_;
};

} // namespace tvx
