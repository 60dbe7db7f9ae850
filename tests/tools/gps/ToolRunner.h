// Runs a test-support command as a reviewer would: arguments, standard input, and what
// it printed and returned.
#pragma once

#include "tests/support/TempDir.h"

#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tool_runner {

struct Outcome {
    int status = -1;
    std::string out, err;
};

inline std::string Tool(const std::string& name)
{
    return std::string(DELVORA_BIN) + "/" + name;
}

inline pid_t Spawn(const std::vector<std::string>& args, int in, int out, int err)
{
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

inline Outcome RunTool(const std::vector<std::string>& args, const std::string& input = "")
{
    TempDir dir;
    WriteFileBytes(dir.file("in"), input);
    const int in = open(dir.file("in").c_str(), O_RDONLY);
    const int out = open(dir.file("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(dir.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = Spawn(args, in, out, err);
    close(in);
    close(out);
    close(err);
    Outcome o;
    int status = 0;
    waitpid(pid, &status, 0);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    o.out = ReadFileBytes(dir.file("out"));
    o.err = ReadFileBytes(dir.file("err"));
    return o;
}

} // namespace tool_runner
