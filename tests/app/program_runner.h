// The real program as a child process, for the tests that start it:
// `env ENVIRONMENT zentiq --settings-dir DIR ARGS`, on the offscreen platform
// unless the environment names another or unsets it, its stdout and stderr in files of
// their own. RunAsUser starts it as a user does, without --settings-dir: the
// settings then go to XDG_CONFIG_HOME, which the runner points at DIR.
// Children still running when the runner goes are stopped.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/wait_until.h"
#include "support/peer_process.h"

namespace zentiq::test {

class ProgramRunner {
public:
    explicit ProgramRunner(std::string settingsDir) : m_settingsDir(std::move(settingsDir)) {}
    ~ProgramRunner() {
        for (pid_t pid : m_children)
            process::Stop(pid, std::chrono::milliseconds(100));
    }
    ProgramRunner(const ProgramRunner&) = delete;
    ProgramRunner& operator=(const ProgramRunner&) = delete;

    static std::string ProgramPath() { return PeerProcess::BinaryDir() + "/src/zentiq"; }

    // Environment entries as env takes them (NAME=VALUE, or -u NAME).
    pid_t Run(const std::vector<std::string>& environment, const std::vector<std::string>& args = {}) {
        return spawn(environment, {"--settings-dir", m_settingsDir}, args);
    }
    pid_t RunAsUser(std::vector<std::string> environment, const std::vector<std::string>& args = {}) {
        // env takes -u only before the first assignment.
        environment.insert(environment.begin(), {"-u", "ZENTIQ_SETTINGS_DIR"});
        environment.push_back("XDG_CONFIG_HOME=" + m_settingsDir);
        return spawn(environment, {}, args);
    }
    // The wait status once the child ended by itself within waitUntil's
    // limit, -1 when it did not.
    int WaitStatus(pid_t pid) {
        int status = 0;
        if (!waitUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }))
            return -1;
        std::erase(m_children, pid);
        return status;
    }
    static bool StillRunning(pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) == 0; }
    // Where the stdout and the stderr of the last child started go.
    const std::string& StdoutPath() const { return m_stdoutPath; }
    const std::string& StderrPath() const { return m_stderrPath; }

private:
    pid_t spawn(const std::vector<std::string>& environment, const std::vector<std::string>& settings,
                const std::vector<std::string>& args) {
        std::vector<std::string> argv{"/usr/bin/env"};
        argv.insert(argv.end(), environment.begin(), environment.end());
        // Named or unset ("-u QT_QPA_PLATFORM"): the caller's choice stands.
        if (std::none_of(environment.begin(), environment.end(),
                         [](const std::string& e) { return e.rfind("QT_QPA_PLATFORM", 0) == 0; }))
            argv.push_back("QT_QPA_PLATFORM=offscreen");
        argv.push_back(ProgramPath());
        argv.insert(argv.end(), settings.begin(), settings.end());
        argv.insert(argv.end(), args.begin(), args.end());
        m_stdoutPath = process::UniqueTmpName("zentiq-stdout");
        m_stderrPath = process::UniqueTmpName("zentiq-stderr");
        const int out = ::open(m_stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int err = ::open(m_stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        std::string error;
        const pid_t pid = process::Spawn(argv, -1, out, err, error);
        ::close(out);
        ::close(err);
        EXPECT_GT(pid, 0) << error;
        m_children.push_back(pid);
        return pid;
    }

    std::string m_settingsDir;
    std::string m_stdoutPath;
    std::string m_stderrPath;
    std::vector<pid_t> m_children;
};

}  // namespace zentiq::test
