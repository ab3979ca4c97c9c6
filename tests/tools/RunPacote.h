#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/resource.h>

// Runs quorin-pacote with the given arguments and collects what it said.
struct Result {
    int code = -1;  ///< -2 when the tool crashed
    QString out;
    QString err;
};

// `fileSizeLimit` > 0 runs the tool with files limited to that many bytes and
// SIGXFSZ ignored, so its writes fail as on a full disk.
inline Result Run(const QStringList& args, rlim_t fileSizeLimit = 0) {
    QProcess p;
    if (fileSizeLimit > 0) {
        p.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    p.start(QStringLiteral(QUORIN_PACOTE), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
