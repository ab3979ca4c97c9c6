#pragma once

#include "runtime/Exceptions.h"

namespace quorin {

/// The report engine's exception: misuse of the page sink, a page file that
/// cannot be read or written, a damaged page. The message is for the user.
class EQRError : public Exception {
  public:
    using Exception::Exception;
};

}  // namespace quorin
