#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

/// Runs the independent readers the export tests check their files with.
namespace exporttools {

struct Result {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline bool Has(const QString& program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

inline Result Run(const QString& program, const QStringList& args, int timeoutMs = 120000) {
    QProcess process;
    process.start(program, args);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

/// LibreOffice in batch mode with a profile folder of its own (created under
/// work), converting every file into outDir; true when it exited cleanly.
inline bool Soffice(const QString& work, const QString& convertTo, const QStringList& files, const QString& outDir) {
    QStringList args{QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + work + "/lo-profile",
                     QStringLiteral("--convert-to"), convertTo, QStringLiteral("--outdir"), outDir};
    args += files;
    return Run(QStringLiteral("soffice"), args, 180000).exitCode == 0;
}

inline QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace exporttools
