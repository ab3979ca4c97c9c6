#include "PrivateCups.h"

#include <sys/types.h>
#include <unistd.h>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <csignal>

namespace {

bool WriteText(const QString& fileName, const QString& text) {
    QFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

QString Log(const QString& fileName) {
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(2000)) : QString();
}

}  // namespace

PrivateCups::PrivateCups() : dir_(QDir::tempPath() + QStringLiteral("/quorin-cups-XXXXXX")) {}

PrivateCups::~PrivateCups() {
    Stop();
    // The daemon may still be closing files as it goes; try a few times.
    for (int attempt = 0; attempt < 10 && !dir_.remove(); ++attempt) {
        QThread::msleep(100);
    }
}

QString PrivateCups::OutputFile() const {
    return dir_.filePath(QStringLiteral("out/job.pdf"));
}

bool PrivateCups::Run(const QString& program, const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        error_ = QStringLiteral("%1 %2 failed: %3")
                     .arg(program, arguments.join(u' '), QString::fromUtf8(process.readAll()).trimmed());
        return false;
    }
    if (output) {
        *output = QString::fromUtf8(process.readAll());
    }
    return true;
}

bool PrivateCups::Start() {
    if (getuid() != 0) {
        error_ = QStringLiteral("a private cupsd needs root");
        return false;
    }
    const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
    if (cupsd.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty()) {
        error_ =
            QStringLiteral("cupsd or lpadmin is not installed (cups, cups-client, cups-bsd, cups-filters)");
        return false;
    }
    if (!dir_.isValid()) {
        error_ = QStringLiteral("no scratch folder");
        return false;
    }
    const QString p = dir_.path();
    // The daemon's user (lp) reaches the output folder through the scratch folder.
    QFile::setPermissions(p, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                 QFileDevice::ExeOther);
    for (const char* sub : {"etc", "run", "spool/tmp", "cache", "state", "log", "out"}) {
        QDir().mkpath(p + u'/' + QLatin1String(sub));
    }
    QFile::setPermissions(p + QStringLiteral("/out"), QFileDevice::Permissions(0x7777));
    if (!Run(QStringLiteral("chown"), {QStringLiteral("lp"), p + QStringLiteral("/out")})) {
        return false;
    }
    const QString conf = p + QStringLiteral("/etc/cupsd.conf");
    const QString files = p + QStringLiteral("/etc/cups-files.conf");
    const bool written =
        WriteText(conf, QStringLiteral("Listen %1/run/cups.sock\n"
                                       "Browsing No\n"
                                       "WebInterface No\n"
                                       "DefaultAuthType None\n"
                                       "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                                       "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n")
                            .arg(p)) &&
        WriteText(files, QStringLiteral("FileDevice Yes\n"
                                        "ServerRoot %1/etc\n"
                                        "RequestRoot %1/spool\n"
                                        "TempDir %1/spool/tmp\n"
                                        "CacheDir %1/cache\n"
                                        "StateDir %1/state\n"
                                        "AccessLog %1/log/access_log\n"
                                        "ErrorLog %1/log/error_log\n"
                                        "PageLog %1/log/page_log\n"
                                        "SystemGroup root\n"
                                        "User lp\n"
                                        "Group lp\n")
                             .arg(p));
    if (!written) {
        error_ = QStringLiteral("cannot write the cupsd configuration under %1").arg(p);
        return false;
    }
    if (!Run(cupsd, {QStringLiteral("-t"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files})) {
        return false;
    }
    if (!QProcess::startDetached(
            cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), conf, QStringLiteral("-s"), files}, QString(),
            &pid_) ||
        pid_ <= 0) {
        error_ = QStringLiteral("cupsd did not start");
        pid_ = 0;
        return false;
    }
    const QString socket = p + QStringLiteral("/run/cups.sock");
    qputenv("CUPS_SERVER", socket.toLocal8Bit());
    const QDeadlineTimer deadline(15000);
    while (!QFileInfo::exists(socket) && !deadline.hasExpired()) {
        QThread::msleep(50);
    }
    if (!QFileInfo::exists(socket)) {
        error_ = QStringLiteral("cupsd did not open its socket: %1")
                     .arg(Log(p + QStringLiteral("/log/error_log")));
        Stop();
        return false;
    }
    // lpadmin may race the daemon's start; give it a few tries.
    bool added = false;
    for (int attempt = 0; attempt < 20 && !added; ++attempt) {
        added = AddQueue(Queue());
        if (!added) {
            QThread::msleep(250);
        }
    }
    if (!added || !Run(QStringLiteral("lpadmin"), {QStringLiteral("-d"), Queue()})) {
        const QString reason = error_;
        Stop();
        error_ = reason;
        return false;
    }
    return true;
}

bool PrivateCups::AddQueue(const QString& name) {
    return Run(QStringLiteral("lpadmin"),
               {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                QStringLiteral("file://") + OutputFile(), QStringLiteral("-m"),
                QStringLiteral("lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd")});
}

bool PrivateCups::RemoveQueue(const QString& name) {
    return Run(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
}

// A daemon that has exited but was not reaped yet counts as gone.
static bool Alive(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close >= 0 && close + 2 < line.size() && line.at(close + 2) != 'Z';
}

void PrivateCups::Stop() {
    if (pid_ > 0) {
        const auto pid = static_cast<pid_t>(pid_);
        ::kill(pid, SIGTERM);
        QDeadlineTimer deadline(5000);
        while (Alive(pid_) && !deadline.hasExpired()) {
            QThread::msleep(50);
        }
        if (Alive(pid_)) {
            ::kill(pid, SIGKILL);
            deadline.setRemainingTime(2000);
            while (Alive(pid_) && !deadline.hasExpired()) {
                QThread::msleep(50);
            }
        }
        pid_ = 0;
    }
    qunsetenv("CUPS_SERVER");
}

void PrivateCups::ClearOutput() {
    QFile::remove(OutputFile());
}

bool PrivateCups::WaitForOutput(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    qint64 lastSize = -1;
    int stable = 0;
    while (!deadline.hasExpired()) {
        QString queued;
        const bool listed = Run(QStringLiteral("lpstat"), {QStringLiteral("-o")}, &queued);
        const qint64 size = QFileInfo(OutputFile()).size();
        if (listed && queued.trimmed().isEmpty() && size > 0) {
            stable = size == lastSize ? stable + 1 : 0;
            if (stable >= 2) {
                return true;
            }
        }
        lastSize = size;
        QThread::msleep(200);
    }
    error_ = QStringLiteral("no job output in %1 ms: %2")
                 .arg(timeoutMs)
                 .arg(Log(dir_.filePath(QStringLiteral("log/error_log"))));
    return false;
}
