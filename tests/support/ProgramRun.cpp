#include "tests/support/ProgramRun.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "tests/support/TemporaryFolder.h"

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

ScratchFolder::ScratchFolder()
{
    path_ = MakeTemporaryFolder("tvx-cli");
    if (path_.empty())
        throw std::runtime_error("no scratch folder");
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

std::string OutPath(const std::string &folder)
{
    return folder + "/.stdout";
}
std::string ErrPath(const std::string &folder)
{
    return folder + "/.stderr";
}

// The shell command line that runs `command` in `folder` with its output
// kept apart; `prefix` goes before the command ("exec " to replace the shell).
std::string InFolder(const std::string &folder, const std::string &command, const std::string &prefix)
{
    return "cd '" + folder + "' && { " + prefix + command + " ; } >'" + OutPath(folder) + "' 2>'" +
           ErrPath(folder) + "' </dev/null";
}

ProgramRun Ended(const std::string &folder, int status)
{
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(OutPath(folder)),
            ReadFile(ErrPath(folder))};
}

} // namespace

ProgramRun RunInFolder(const std::string &folder, const std::string &command)
{
    return Ended(folder, std::system(InFolder(folder, command, "").c_str()));
}

RunningProgram::RunningProgram(const std::string &folder, const std::string &command) : folder_(folder)
{
    const std::string line = InFolder(folder, command, "exec ");
    pid_ = fork();
    if (pid_ == 0) {
        execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    if (pid_ < 0)
        throw std::runtime_error("cannot start " + command);
}

RunningProgram::~RunningProgram()
{
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

std::string RunningProgram::ErrSoFar() const
{
    return ReadFile(ErrPath(folder_));
}

ProgramRun RunningProgram::Wait()
{
    int status = 0;
    if (pid_ <= 0 || waitpid(pid_, &status, 0) != pid_)
        return {};
    pid_ = -1;
    return Ended(folder_, status);
}

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}
