// The product text a terminal describes itself with is searched for its
// markers ("V ", "DFU", "RTM", vendor and model words) without regard to
// letter case: the searches run on an upper-case copy.
#pragma once

#include <string>
#include <string_view>

inline std::string UpperCaseCopy(std::string_view text)
{
    std::string upper(text);
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

inline bool Contains(std::string_view text, std::string_view word)
{
    return text.find(word) != std::string_view::npos;
}
