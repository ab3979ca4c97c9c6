#pragma once

namespace quorin {

/// With TZ unset the C library checks /etc/localtime again on every
/// conversion to or from local time: a long report, which reads and prints
/// dates on every page, makes tens of thousands of such checks. Naming the
/// same file in TZ makes it read once. Call at the start of main, before any
/// thread exists; a TZ the user set is kept. A zone changed on the machine
/// while the process runs is seen by the next process.
void ReadLocalTimeZoneOnce();

}  // namespace quorin
