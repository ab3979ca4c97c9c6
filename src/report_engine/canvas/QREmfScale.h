#pragma once

#include <QByteArray>

// Page recordings in finer logical units, for the metafiles other programs
// read: they place every glyph at the advance the file gives, and a recording's
// advances are whole pixels of the screen. The finer copy says the same page
// with a reference device `factor` times denser, every length scaled, and the
// text advances taken again from the font at that precision (still summing to
// the recorded width), so letters keep the font's spacing at any zoom.
namespace quorin::emfscale {

/// The factor for 32-bit coordinates (enhanced metafiles).
constexpr int kFactor = 16;

/// The recording scaled by factor (1 to 64). A recording that is not valid or
/// holds records that are not understood here comes back as it is.
QByteArray Finer(const QByteArray& emf, int factor);
/// The same into a buffer the caller keeps from page to page (not emf itself):
/// returns emf when it comes back as it is, else the buffer.
const QByteArray& Finer(const QByteArray& emf, int factor, QByteArray& buffer);

/// The largest factor up to kFactor whose page still fits 16-bit coordinates
/// (Windows metafiles); 1 when the recording is not valid.
int FactorFor16Bit(const QByteArray& emf);

}  // namespace quorin::emfscale
