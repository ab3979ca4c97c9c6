#pragma once

#include <QString>
#include <QTemporaryDir>

/// A private CUPS scheduler for tests that print for real: cupsd runs as
/// root on a Unix socket in a scratch folder (no TCP port, nothing under
/// /etc) with one queue, PDFFILE, whose file: device writes every job as a
/// PDF to OutputFile(). Start() points CUPS_SERVER at it, so QPrinterInfo
/// and QPrinter see only this queue; call it before anything asks Qt about
/// printers, because libcups reads CUPS_SERVER once (a test's own main() is
/// the safe place). The destructor stops the daemon.
///
/// Reuse from another test folder: add
///   ${PROJECT_SOURCE_DIR}/tests/report_engine/printer/PrivateCups.cpp
/// to the test's SOURCES, include "../printer/PrivateCups.h" (or the path
/// from tests/), and QSKIP with Error() when Start() returns false.
/// Needs: cups cups-client cups-bsd cups-filters (cupsd, lpadmin, lpstat and
/// the Generic-PDF PPD) and root.
class PrivateCups {
  public:
    PrivateCups();
    ~PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;

    /// Starts cupsd and adds the queue; false with the reason in Error().
    bool Start();
    void Stop();
    bool Running() const { return pid_ > 0; }
    QString Error() const { return error_; }

    static QString Queue() { return QStringLiteral("PDFFILE"); }
    /// Another queue of the same kind (its jobs also land in OutputFile()), and its removal.
    bool AddQueue(const QString& name);
    bool RemoveQueue(const QString& name);
    QString OutputFile() const;
    /// Removes the previous job's output, so the next wait sees only the new one.
    void ClearOutput();
    /// Waits until the queue is empty and the output file has stopped
    /// growing; false when nothing arrived in time.
    bool WaitForOutput(int timeoutMs = 30000);

  private:
    bool Run(const QString& program, const QStringList& arguments, QString* output = nullptr);

    QTemporaryDir dir_;
    qint64 pid_ = 0;
    QString error_;
};
