#pragma once

#include <QString>
#include <QThread>
#include <mutex>

namespace quorin {

class TCustomQuickRep;

/// The generation thread of a threaded preview or background print: runs
/// the report's CreateReport once. An exception of the run ends the thread
/// and is kept as its message (the preview keeps the pages made so far).
/// The thread runs below the window's priority, so that painting a page or
/// answering a key never waits for generation.
class TQRCreateReportThread : public QThread {
  public:
    explicit TQRCreateReportThread(TCustomQuickRep* report);
    ~TQRCreateReportThread() override;

    /// Starts the run at the generation thread's lower priority.
    void Start();

    QString Error() const;

  protected:
    void run() override;

  private:
    TCustomQuickRep* report_;
    mutable std::mutex lock_;
    QString error_;
};

}  // namespace quorin
