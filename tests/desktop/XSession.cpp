#include "desktop/XSession.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qp::test {

namespace {

constexpr int StartTimeoutMs = 20000;

struct Session {
    XSession::State state = XSession::State::NotStarted;
    QString problem;
    QString display;
    QString folder;
    pid_t server = -1;
    pid_t windowManager = -1;
};

Session& session()
{
    static Session s;
    return s;
}

// Starts a program whose output goes to `log`; it is killed when this process ends.
// `keepOpen` is a descriptor the child inherits (-1 for none).
pid_t spawn(const std::vector<std::string>& arguments, const QString& log, int keepOpen = -1)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const QByteArray logPath = QFile::encodeName(log);
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int out = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (out >= 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
    }
    if (keepOpen >= 0)
        ::fcntl(keepOpen, F_SETFD, 0);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

bool alive(pid_t pid)
{
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, WNOHANG) == 0;
}

void end(pid_t& pid)
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
        ::usleep(20000);
    if (::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
    }
    pid = -1;
}

QString logTail(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray all = file.readAll();
    return QString::fromLocal8Bit(all.right(600)).trimmed();
}

XSession::State fail(XSession::State state, const QString& why)
{
    Session& s = session();
    s.state = state;
    s.problem = why;
    end(s.windowManager);
    end(s.server);
    return state;
}

// Xvfb writes the display number it took to the descriptor once it accepts clients.
QString readDisplayNumber(int fd, pid_t server)
{
    QByteArray digits;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < StartTimeoutMs) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, 100);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            char c = 0;
            const ssize_t n = ::read(fd, &c, 1);
            if (n <= 0)
                break;
            if (c == '\n')
                return QString::fromLatin1(digits);
            digits += c;
        } else if (!alive(server)) {
            break;
        }
    }
    return {};
}

}  // namespace

XSession::State XSession::start()
{
    Session& s = session();
    if (s.state != State::NotStarted)
        return s.state;
    const QString tmp = QDir::tempPath() + QStringLiteral("/quillpress-x-XXXXXX");
    QByteArray pattern = QFile::encodeName(tmp);
    if (!::mkdtemp(pattern.data()))
        return fail(State::Unavailable, QStringLiteral("no temporary folder for the X session"));
    s.folder = QFile::decodeName(pattern);

    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
        return fail(State::Unavailable, QStringLiteral("Xvfb is not installed (scripts/setup.sh installs it)"));
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return fail(State::Unavailable, QStringLiteral("no pipe for Xvfb"));
    const QString serverLog = s.folder + QStringLiteral("/Xvfb.log");
    s.server = spawn({"Xvfb", "-displayfd", std::to_string(pipe[1]), "-screen", "0", "1280x1024x24", "-nolisten",
                      "tcp", "-noreset"},
                     serverLog, pipe[1]);
    ::close(pipe[1]);
    const QString number = readDisplayNumber(pipe[0], s.server);
    ::close(pipe[0]);
    if (number.isEmpty())
        return fail(State::Unavailable, QStringLiteral("Xvfb did not start: ") + logTail(serverLog));
    s.display = QLatin1Char(':') + number;
    qputenv("DISPLAY", s.display.toLatin1());

    // openbox runs the start-up command once it manages the screen.
    const QString ready = s.folder + QStringLiteral("/wm-ready");
    const QString wmLog = s.folder + QStringLiteral("/openbox.log");
    s.windowManager = spawn({"openbox", "--sm-disable", "--startup", "touch " + QFile::encodeName(ready).toStdString()},
                            wmLog);
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(ready)) {
        if (!alive(s.windowManager) || clock.elapsed() > StartTimeoutMs)
            return fail(State::Broken, QStringLiteral("openbox did not start on %1: %2").arg(s.display, logTail(wmLog)));
        ::usleep(20000);
    }
    s.state = State::Ready;
    return s.state;
}

void XSession::stop()
{
    Session& s = session();
    end(s.windowManager);
    end(s.server);
    if (!s.folder.isEmpty())
        QDir(s.folder).removeRecursively();
}

XSession::State XSession::state()
{
    return session().state;
}

QString XSession::problem()
{
    return session().problem;
}

QString XSession::display()
{
    return session().display;
}

}  // namespace qp::test
