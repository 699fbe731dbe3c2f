// Reads a list of NUL-terminated texts ended by an empty text, as the device
// library hands out its terminal lists, never past the end of its buffer: a
// text without its NUL inside the buffer ends the list.
#pragma once

#include <string_view>
#include <vector>

class MultiStringReader {
public:
    explicit MultiStringReader(const std::vector<char> &buffer)
        : next_(buffer.data()), end_(buffer.data() + buffer.size())
    {
    }

    // The next text; false at the end of the list.
    bool Next(std::string_view *text) { return NextEntry(text) && !text->empty(); }

    // The next text, an empty one included, for a list read in step with
    // another that decides where both end; false only when the buffer holds
    // no further terminated text.
    bool NextEntry(std::string_view *text)
    {
        const std::string_view rest(next_, static_cast<std::size_t>(end_ - next_));
        const std::size_t length = rest.find('\0');
        if (length == std::string_view::npos)
            return false;
        *text = rest.substr(0, length);
        next_ += length + 1;
        return true;
    }

private:
    const char *next_;
    const char *end_;
};
