#include "tools/ppu-tool/CommandLine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>

bool ReadCommandLine(const CommandSpec &spec, int argc, char **argv, CommandOptions *options, int *exitCode)
{
    std::string error;
    if (!tvx::cli::ParseCommandLine(spec.options, argc, argv, options, &error)) {
        *exitCode = UsageError(spec, error);
        return false;
    }
    if (options->Has("--help")) {
        std::cout << spec.usage;
        *exitCode = kExitSuccess;
        return false;
    }
    return true;
}

int UsageError(const CommandSpec &spec, const std::string &message)
{
    std::cerr << "ppu-tool" << (*spec.name ? " " : "") << spec.name << ": " << message << "\n\n"
              << spec.usage;
    return kExitUsage;
}

bool ParseNumber(const std::string &text, unsigned long long max, unsigned long long *value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || std::isspace(static_cast<unsigned char>(text[0])))
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char *end = nullptr;
    errno = 0;
    *value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0' && *value <= max;
}

namespace {

struct FileDescriptor {
    int fd;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Pipes and other files without a size up front are read in pieces of this
// size, doubled as they fill.
constexpr size_t kFirstPiece = size_t{64} << 10;

#ifdef _WIN32
constexpr int kReadFlags = O_RDONLY | O_BINARY; // Windows reads text mode unless told
#else
constexpr int kReadFlags = O_RDONLY | O_CLOEXEC;
#endif

} // namespace

template <class Bytes>
std::string ReadWholeFile(const std::string &path, Bytes *bytes)
{
    bytes->clear();
    const FileDescriptor file{::open(path.c_str(), kReadFlags)};
    struct stat info {};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || S_ISDIR(info.st_mode))
        return "cannot be read";
    const bool sized = S_ISREG(info.st_mode);
    const auto size = static_cast<size_t>(info.st_size);
    std::string failure;
    try {
        // One byte more than the size, so that a file that grows shows it.
        bytes->resize(sized ? size + 1 : kFirstPiece);
        size_t filled = 0;
        for (;;) {
            if (filled == bytes->size()) {
                if (sized)
                    break;
                bytes->resize(2 * filled);
            }
            // Windows' read() counts in unsigned int: a piece of at most
            // 1 GiB fits there and here.
            const size_t piece = std::min<size_t>(bytes->size() - filled, size_t{1} << 30);
            const ssize_t got = ::read(file.fd, bytes->data() + filled, static_cast<unsigned>(piece));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                failure = std::string("cannot be read: ") + std::strerror(errno);
                break;
            }
            if (got == 0)
                break;
            filled += static_cast<size_t>(got);
        }
        if (failure.empty() && sized && filled != size)
            failure = "changed while it was read";
        bytes->resize(filled);
    } catch (const std::bad_alloc &) {
        failure = "cannot be read: out of memory";
    }
    if (!failure.empty()) {
        bytes->clear();
        bytes->shrink_to_fit();
    }
    return failure;
}

template std::string ReadWholeFile(const std::string &, std::string *);
template std::string ReadWholeFile(const std::string &, std::vector<uint8_t> *);
