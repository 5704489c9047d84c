#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "tests/cli/program_process.h"

extern char** environ;

namespace orvane {

int startProgram(const std::vector<std::string>& arguments, const std::string& outputFile) {
#ifdef ORVANE_CLI_PROGRAM
    std::vector<std::string> texts{ORVANE_CLI_PROGRAM};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start the program");
    return pid;
#else
    (void)arguments;
    (void)outputFile;
    throw std::logic_error("no program to start");
#endif
}

int waitProgram(int pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runProgram(const std::vector<std::string>& arguments, std::string& printed) {
    char name[] = "/tmp/orvane-program-output-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0)
        throw std::runtime_error("cannot make an output file");
    ::close(fd);
    const int code = waitProgram(startProgram(arguments, name));
    std::ifstream in(name);
    std::ostringstream text;
    text << in.rdbuf();
    printed = text.str();
    ::unlink(name);
    return code;
}

int runProgram(const std::vector<std::string>& arguments) {
    std::string ignored;
    return runProgram(arguments, ignored);
}

}  // namespace orvane
