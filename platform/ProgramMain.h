// The outermost frame of each program: an exception nothing else caught ends
// the program with a message on standard error and exit status 1, not with
// std::terminate's abort (and a core dump) that tells the user nothing.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace tvx {

template <class Body>
int RunProgram(const char *program, Body &&body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "%s: out of memory\n", program);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s: internal error: %s\n", program, error.what());
    } catch (...) {
        std::fprintf(stderr, "%s: internal error\n", program);
    }
    return EXIT_FAILURE;
}

} // namespace tvx
