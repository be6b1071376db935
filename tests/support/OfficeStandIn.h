#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <signal.h>
#include <sys/types.h>

namespace qp::test {

// The start of a shell script standing in for soffice. Started as the
// instance the converter keeps, it says it is ready as LibreOffice does, by
// the pipe it listens on, notes its process id in `servers` when given, and
// waits to be ended; otherwise the script goes on after this part.
inline QByteArray officeServerScript(const QString& servers = {})
{
    QByteArray script = "for a in \"$@\"; do case \"$a\" in --accept=pipe,name=*)\n"
                        "  n=${a#--accept=pipe,name=}; n=${n%%;*}\n"
                        "  : > \"/tmp/OSL_PIPE_$(id -u)_$n\"\n";
    if (!servers.isEmpty())
        script += "  echo $$ >> '" + servers.toUtf8() + "'\n";
    return script + "  exec sleep 300;;\n"
                    "esac; done\n";
}

// Whether the process still runs. A zombie has ended; only its parent has not looked yet.
inline bool isRunningNow(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return false;
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

}  // namespace qp::test
