#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>

#include "report_engine/pages/QRPageRecording.h"
#include "report_engine/pages/QRStream.h"

namespace quorin {

/// The page store of a report run and the page file (.QRP) layout over a
/// TQRStream: a 128-byte header, then one record per page linked forwards and
/// backwards, so the next or previous page is one or two reads away from the
/// current position. Adding and reading pages hold the page-list lock, then the
/// stream lock, for their whole sequence of seeks.
///
/// Loading validates the whole structure (header, every link, every length)
/// and raises EQRError with a Portuguese message on a damaged file; the
/// previous contents stay in place then.
class TQRPageList {
  public:
    static constexpr int HeaderSize = 128;
    static constexpr uint16_t Magic = 3;
    static constexpr uint16_t Version = 362;

    TQRPageList();
    ~TQRPageList();

    TQRPageList(const TQRPageList&) = delete;
    TQRPageList& operator=(const TQRPageList&) = delete;

    /// Appends a page (coded when compression is on). Raises EQRError when the
    /// page would take the store past its size limit, and also, before that,
    /// once the run has laid out enough of its rows to tell that it would end
    /// well past the limit (see SetRunShare).
    void AddPage(const TQRPageRecording& page);
    /// How much of the run is laid out: `done` of its `total` rows (0 of 0 when
    /// the run does not know). From the bytes stored so far the store then
    /// estimates the size of the whole run and refuses it early, rather than
    /// after generating for minutes. A new stream starts again at 0 of 0.
    void SetRunShare(qint64 done, qint64 total);
    /// The largest store, in bytes: what 32-bit offsets reach, unless a test
    /// asks for a smaller one.
    void SetSizeLimit(qint64 bytes) { sizeLimit_ = bytes; }
    qint64 SizeLimit() const { return sizeLimit_; }
    /// Page n (the first is 1) as a new recording, or none when n is outside
    /// 1..page count. Raises EQRError when the stored page is damaged.
    std::unique_ptr<TQRPageRecording> GetPage(int pageNumber);
    /// Forgets the pages; the stream is left as it is.
    void Clear();
    /// Rewrites the header with the final page count.
    void Finish();

    /// Serves the pages of a page file from now on. Raises EQRError.
    void LoadFromFile(const QString& fileName);
    /// The same for a stream holding a page file; the page list shares it.
    void LoadFromStream(std::shared_ptr<TQRStream> stream);
    /// Writes the whole stream into a file (replaced only once complete).
    void SaveToFile(const QString& fileName);

    void SeekToFirst();
    void SeekToLast();
    void SeekToPage(int pageNumber);
    void ReadFileHeader();
    void WriteFileHeader();

    void LockList() { lock_.lock(); }
    void UnlockList() { lock_.unlock(); }

    bool GetCompression() const { return compression_; }
    void SetCompression(bool value) { compression_ = value; }
    int GetPageCount() const { return pageCount_; }

    std::shared_ptr<TQRStream> GetStream();
    void SetStream(std::shared_ptr<TQRStream> stream);

  private:
    void RequireStream() const;
    /// Walks to the page and reads it; the caller holds both locks.
    std::unique_ptr<TQRPageRecording> ReadPageHere(int pageNumber);

    std::recursive_mutex lock_;
    std::atomic<bool> compression_{false};
    std::atomic<int> pageCount_{0};
    std::shared_ptr<TQRStream> stream_;
    std::atomic<qint64> sizeLimit_;
    std::atomic<qint64> runDone_{0};
    std::atomic<qint64> runTotal_{0};
};

}  // namespace quorin
