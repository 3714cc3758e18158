#pragma once

// A server of a test's own (Xvfb, dbus-daemon) that writes one line, its
// display or address, to a descriptor once it listens; ended with the test.
// And the one application object the tests of this binary share.

#include <QByteArray>
#include <QCoreApplication>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace korvex::test {

inline void app() {
    static int argc = 1;
    static char arg0[] = "autoswitch_tests";
    static char* argv[] = {arg0, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

class ChildServer {
  public:
    // `args` with "{fd}" where the server is told its descriptor.
    explicit ChildServer(std::vector<std::string> args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(fds[0]);
            std::vector<char*> argv;
            for (std::string& arg : args) {
                if (const auto at = arg.find("{fd}"); at != std::string::npos)
                    arg.replace(at, 4, std::to_string(fds[1]));
                argv.push_back(arg.data());
            }
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') line_ += c;
        ::close(fds[0]);
    }
    ~ChildServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ChildServer(const ChildServer&) = delete;
    ChildServer& operator=(const ChildServer&) = delete;

    // What it wrote; empty when it did not start.
    const QByteArray& line() const { return line_; }

  private:
    pid_t pid_ = -1;
    QByteArray line_;
};

}  // namespace korvex::test
