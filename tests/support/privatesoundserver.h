#pragma once

// A private PulseAudio server with null sinks, in a folder of its own: what the sound tests play
// to and listen on, never the machine's own sound device. The process's libpulse clients reach
// it through PULSE_SERVER while it lives.

#include "media/pulseaudiosink.h"
#include "tempdir.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace ringvale::testing {

class PrivateSoundServer {
public:
    explicit PrivateSoundServer(const std::vector<std::string>& sinks) {
        const std::string dir = m_dir.path().string();
        std::vector<std::string> args = {"pulseaudio",
                                         "-n",
                                         "--daemonize=no",
                                         "--exit-idle-time=-1",
                                         "--log-target=file:" + dir + "/pulse.log",
                                         "-L",
                                         "module-native-protocol-unix socket=" + dir +
                                             "/native auth-anonymous=1"};
        for (const std::string& sink : sinks) {
            args.push_back("-L");
            args.push_back("module-null-sink sink_name=" + sink);
        }
        std::vector<std::string> env = {
            "XDG_RUNTIME_DIR=" + dir, "PULSE_RUNTIME_PATH=" + dir + "/pulse", "HOME=" + dir,
            "PATH=" + std::string(std::getenv("PATH") ? std::getenv("PATH") : "")};
        std::vector<char*> argv, envp;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        for (std::string& entry : env)
            envp.push_back(entry.data());
        envp.push_back(nullptr);
        if (posix_spawnp(&m_pid, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        ::setenv("PULSE_SERVER", ("unix:" + dir + "/native").c_str(), 1);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (m_pid > 0 && !PulseAudioSink::serverAvailable() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ~PrivateSoundServer() {
        ::unsetenv("PULSE_SERVER");
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    bool running() const { return m_pid > 0 && PulseAudioSink::serverAvailable(); }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
};

} // namespace ringvale::testing
