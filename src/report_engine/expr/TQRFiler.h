#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace quorin {

/// What a stored object sees of the stream that reads or writes it: the
/// properties it defines beyond its published ones, here lists of texts. The
/// report definition's reader and writer implement it.
class TQRFiler {
  public:
    virtual ~TQRFiler() = default;
    /// Defines the stored property `name`: `read` receives its texts when the
    /// stream is read, `write` gives them when it is written and `hasData` is true.
    virtual void DefineProperty(const QString& name, const std::function<void(const QStringList&)>& read,
                                const std::function<QStringList()>& write, bool hasData) = 0;
};

}  // namespace quorin
