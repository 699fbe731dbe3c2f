// A file that replaces its target only once it is complete: it is written to
// a temporary file in the target's folder, synced, and renamed over the
// target, and the folder is synced after the rename. Until Commit succeeds an
// existing target stays as it was, and the temporary file is removed on
// every way out.
//
// An existing target is the user's: a read-only one, or one that is no
// regular file, is refused; a symbolic link is written through (the file it
// names is replaced, the link stays); the new file gets the target's owner
// where the process may give it, and its mode.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace tvx {

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // The file Commit replaces stays beside the new one under its name with
    // `ending` appended, in place of an earlier file of that name.
    void KeepReplacedAs(std::string ending);

    // Creates the temporary file, readable by the owner only until Commit.
    bool Open();
    bool Write(const void *data, std::size_t size);
    // Gives the file the owner and mode of the target it replaces (else the
    // mode a new file gets under the process's umask), syncs it, renames it
    // over the target and syncs the folder.
    bool Commit();

    // After Open, Write or Commit failed: why, as a sentence about the
    // target ("is read-only (mode 0444); it is left as it is").
    const std::string &Problem() const { return problem_; }
    // After Commit succeeded: what it could not make sure of, else empty.
    const std::string &Warning() const { return warning_; }

private:
    void Discard();
    bool Fail(const std::string &problem);
    bool ReadTarget();
    bool KeepReplaced(bool *moved);

    std::string target_;
    std::string path_; // the target, or the file a symbolic link target names
    std::string keptEnding_;
    std::string temporary_;
    std::string problem_;
    std::string warning_;
    int fd_ = -1;
    bool failed_ = false;
    bool replaces_ = false;
#ifndef _WIN32 // Windows files have no owner and mode bits to carry over
    uid_t owner_ = 0;
    gid_t group_ = 0;
    mode_t mode_ = 0;
#endif
};

} // namespace tvx
