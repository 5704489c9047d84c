#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/cli/program_process.h"

extern char** environ;

namespace orvane {

namespace {

// Standard output goes to outputPipe's write end when given; standard error to /dev/null.
int runProgramWith(const std::vector<std::string>& arguments, const int* outputPipe,
                   std::string* standardOutput) {
#ifdef ORVANE_CLI_PROGRAM
    std::vector<std::string> texts{ORVANE_CLI_PROGRAM};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (outputPipe != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, outputPipe[1], 1);
        posix_spawn_file_actions_addclose(&actions, outputPipe[0]);
        posix_spawn_file_actions_addclose(&actions, outputPipe[1]);
    }
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (outputPipe != nullptr) {
        close(outputPipe[1]);
        char buffer[4096];
        for (ssize_t got; (got = read(outputPipe[0], buffer, sizeof buffer)) > 0;)
            standardOutput->append(buffer, static_cast<std::size_t>(got));
        close(outputPipe[0]);
    }
    if (error != 0)
        throw std::runtime_error("cannot start the program");
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
#else
    (void)arguments;
    (void)standardOutput;
    if (outputPipe != nullptr) {
        close(outputPipe[0]);
        close(outputPipe[1]);
    }
    throw std::logic_error("no program to start");
#endif
}

}  // namespace

int runProgram(const std::vector<std::string>& arguments) {
    return runProgramWith(arguments, nullptr, nullptr);
}

int runProgram(const std::vector<std::string>& arguments, std::string& standardOutput) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot make a pipe");
    standardOutput.clear();
    return runProgramWith(arguments, fds, &standardOutput);
}

}  // namespace orvane
