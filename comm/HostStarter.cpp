#include "comm/HostStarter.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// posix_spawn's attribute and file-action objects, destroyed with the scope.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawnattr_init(&m_attributes);
        posix_spawn_file_actions_init(&m_actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // 0 or an errno value.
    int Prepare() {
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        int result = posix_spawnattr_setsigmask(&m_attributes, &none);
        if (result == 0) {
            result = posix_spawnattr_setsigdefault(&m_attributes, &all);
        }
        if (result == 0) {
            result = posix_spawnattr_setflags(&m_attributes,
                                              POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        }
        if (result == 0) {
            result = posix_spawn_file_actions_addopen(&m_actions, STDIN_FILENO, "/dev/null",
                                                      O_RDONLY, 0);
        }
        if (result == 0) {
            result = posix_spawn_file_actions_addopen(&m_actions, STDOUT_FILENO, "/dev/null",
                                                      O_WRONLY, 0);
        }
        if (result == 0) {
            result = posix_spawn_file_actions_addclosefrom_np(&m_actions, STDERR_FILENO + 1);
        }
        return result;
    }

    const posix_spawnattr_t* Attributes() const { return &m_attributes; }
    const posix_spawn_file_actions_t* Actions() const { return &m_actions; }

private:
    posix_spawnattr_t m_attributes;
    posix_spawn_file_actions_t m_actions;
};

} // namespace

int RunHostStarter(const std::filesystem::path& program, const std::vector<std::string>& args,
                   int& error) {
    SpawnSetup setup;
    error = setup.Prepare();
    if (error != 0) {
        return -1;
    }
    std::vector<std::string> strings;
    strings.reserve(args.size() + 1);
    strings.push_back(program.string());
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : strings) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    error = posix_spawn(&pid, strings.front().c_str(), setup.Actions(), setup.Attributes(),
                        argv.data(), environ);
    if (error != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            error = errno;
            return -1;
        }
    }
    if (!WIFEXITED(status)) {
        error = EIO;
        return -1;
    }
    return WEXITSTATUS(status);
}
