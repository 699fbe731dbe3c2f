// The ID number a terminal is addressed with: at most 16 characters in a
// zero-filled 17-byte buffer, however long the list row's text is.
#pragma once

#include <cstring>
#include <string>

inline void StoreDeviceId(char (&target)[17], const std::string &id)
{
    std::memset(target, 0, sizeof target);
    id.copy(target, sizeof target - 1);
}
