// Runs a program through the shell as a user would, in a folder of the
// test's own, and keeps its exit code, standard output and standard error
// apart (in two files of that folder, .stdout and .stderr).
#pragma once

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1; // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs `command` (a shell command line) with `folder` as the current one;
// standard input is empty unless the command line redirects it.
ProgramRun RunInFolder(const std::string &folder, const std::string &command);

// A program started as RunInFolder starts it, left running while the test
// watches it; the shell gives way to it (exec), so that a signal sent to
// Pid() reaches the program itself. The destructor kills it if still running.
class RunningProgram {
public:
    RunningProgram(const std::string &folder, const std::string &command);
    ~RunningProgram();
    RunningProgram(const RunningProgram &) = delete;
    RunningProgram &operator=(const RunningProgram &) = delete;

    int Pid() const { return pid_; }
    // What it wrote to standard error so far.
    std::string ErrSoFar() const;
    // Waits for it to end.
    ProgramRun Wait();

private:
    std::string folder_;
    int pid_ = -1;
};

// A scratch folder, removed with everything in it at the end of its life.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &Path() const { return path_; }
    ProgramRun Run(const std::string &command) const { return RunInFolder(path_, command); }

private:
    std::string path_;
};

std::vector<std::string> SplitLines(const std::string &text);
