#include "job_process.h"

#include "common/address_sanitizer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <linux/close_range.h>
#include <sys/syscall.h>

extern char** environ;

namespace {

// The descriptor the child writes its records to.
constexpr int kRecordFd = 3;

// Between fork and exec only async-signal-safe calls: the server has other
// threads, whose locks the child inherits held. Everything is prepared
// before the fork.
[[noreturn]] void becomeChild(char* const* argv, const char* dir, const char* log, int writeEnd,
                              int input, pid_t parent, const ChildLimits& limits) {
    setpgid(0, 0);
    // Killed with the thread that forked it: the server's queue worker, which
    // lives as long as the server.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    if (limits.memoryMb > 0) {
        rlim_t bytes = rlim_t(limits.memoryMb) * 1024 * 1024;
        rlimit limit{bytes, bytes};
        setrlimit(RLIMIT_AS, &limit);
    }
    if (chdir(dir) != 0)
        _exit(127);
    int null = open("/dev/null", O_RDWR);
    int err = open(log, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null < 0 || err < 0)
        _exit(127);
    dup2(input >= 0 ? input : null, 0);
    dup2(null, 1);
    dup2(err, 2);
    dup2(writeEnd, kRecordFd);
    syscall(SYS_close_range, kRecordFd + 1, ~0U, 0);
    for (int sig : {SIGINT, SIGTERM, SIGPIPE, SIGHUP})
        signal(sig, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve("/proc/self/exe", argv, environ);
    _exit(127);
}

}  // namespace

bool memoryLimitSupported() {
    return !kivano::kAddressSanitizer;
}

pid_t spawnChild(const std::vector<std::string>& args, const std::string& dir,
                 const std::string& log, const ChildLimits& limits, int* readEnd, int* writeEnd) {
    int fds[2], in[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    if (writeEnd && pipe2(in, O_CLOEXEC) != 0) {
        close(fds[0]);
        close(fds[1]);
        return -1;
    }
    // Its input, like its records' end, clear of the descriptors it is
    // moved onto.
    int input = -1;
    if (writeEnd) {
        input = fcntl(in[0], F_DUPFD_CLOEXEC, 10);
        close(in[0]);
    }
    // Keep the child's end clear of the descriptors it is moved onto.
    int records = fcntl(fds[1], F_DUPFD_CLOEXEC, 10);
    close(fds[1]);
    if (records < 0 || (writeEnd && input < 0)) {
        close(fds[0]);
        if (records >= 0)
            close(records);
        if (writeEnd) {
            close(in[1]);
            if (input >= 0)
                close(input);
        }
        return -1;
    }
    std::vector<std::string> copies = args;
    std::vector<char*> argv;
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    ChildLimits applied = limits;
    if (!memoryLimitSupported())
        applied.memoryMb = 0;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid == 0)
        becomeChild(argv.data(), dir.c_str(), log.c_str(), records, input, parent, applied);
    close(records);
    if (input >= 0)
        close(input);
    if (pid < 0) {
        close(fds[0]);
        if (writeEnd)
            close(in[1]);
        return -1;
    }
    if (writeEnd)
        *writeEnd = in[1];
    // Also here: the server may signal the group before the child got to it.
    setpgid(pid, pid);
    *readEnd = fds[0];
    return pid;
}
