#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs quorin-pacote with the given arguments and collects what it said.
struct Result {
    int code = -1;  ///< -2 when the tool crashed
    QString out;
    QString err;
};

inline Result Run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(QUORIN_PACOTE), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2,
            QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}
