#pragma once

namespace quorin {

/// Adds the text, metafile, RTF, spreadsheet and PDF filters to the
/// process's export filter library, in the save command's order. Adding them
/// a second time does nothing.
void RegisterStandardExportFilters();

}  // namespace quorin
