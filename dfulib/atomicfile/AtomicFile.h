// A file that replaces its target only once it is complete: it is written to
// a temporary file in the target's folder, synced, and renamed over the
// target, and the folder is synced after the rename. Until Commit succeeds an
// existing target stays as it was, and the temporary file is removed on
// every way out.
#pragma once

#include <cstddef>
#include <string>

namespace tvx {

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // Creates the temporary file. It gets the mode of an existing target, or
    // else the mode a new file gets under the process's umask.
    bool Open();
    bool Write(const void *data, std::size_t size);
    // Syncs the file, renames it over the target and syncs the folder.
    bool Commit();

private:
    void Discard();

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    bool failed_ = false;
};

} // namespace tvx
