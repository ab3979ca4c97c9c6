#pragma once

#include <QString>
#include <array>

namespace quorin {

/// The paper sizes the engine knows by name. Keep in sync with kQRPaperSizes.
enum class TQRPaperSize {
    Default,
    Letter,
    LetterSmall,
    Tabloid,
    Ledger,
    Legal,
    Statement,
    Executive,
    A3,
    A4,
    A4Small,
    A5,
    B4,
    B5,
    Folio,
    Quarto,
    qr10X14,
    qr11X17,
    Note,
    Env9,
    Env10,
    Env11,
    Env12,
    Env14,
    CSheet,
    DSheet,
    ESheet,
    Custom
};

/// Paper bins. Keep in sync with kQRBins.
enum class TQRBin {
    First,
    Upper,
    Lower,
    Middle,
    Manual,
    Envelope,
    EnvManual,
    Auto,
    Tractor,
    SmallFormat,
    LargeFormat,
    LargeCapacity,
    Cassette,
    Last
};

enum TPrinterOrientation { poPortrait, poLandscape };

struct TQRPaperSizeInfo {
    TQRPaperSize size;
    int deviceCode;  // the driver's paper code
    double widthMm;  // portrait width; 0 for the printer's own or the user's size
    double lengthMm;
    const char* displayName;  // UTF-8, shown as it stands
};

/// One row per TQRPaperSize, in enumeration order. The odd entries are the
/// stored texts and sizes as they are: "Executive7", Note's 279.0 mm, Env12's
/// 101.6 mm, the literal "\276" in the envelope names, the 100 mm sheets.
inline constexpr std::array<TQRPaperSizeInfo, 28> kQRPaperSizes{{
    {TQRPaperSize::Default, 0, 0.0, 0.0, "Tamanho padrão"},
    {TQRPaperSize::Letter, 1, 215.9, 279.4, "Letter 8 1/2 x 11 in"},
    {TQRPaperSize::LetterSmall, 2, 215.9, 279.4, "Letter Small 8 1/2 x 11 in"},
    {TQRPaperSize::Tabloid, 3, 279.4, 431.8, "Tabloid 11 x 17 in"},
    {TQRPaperSize::Ledger, 4, 431.8, 279.4, "Ledger 17 x 11 in"},
    {TQRPaperSize::Legal, 5, 215.9, 355.6, "Legal 8 1/2 x 14 in"},
    {TQRPaperSize::Statement, 6, 139.7, 215.9, "Statement 5 1/2 x 8 1/2 in"},
    {TQRPaperSize::Executive, 7, 190.5, 254.0, "Executive7 1/2 x 10 in"},
    {TQRPaperSize::A3, 8, 297.0, 420.0, "A3 297 x 420 mm"},
    {TQRPaperSize::A4, 9, 210.0, 297.0, "A4 210 x 297 mm"},
    {TQRPaperSize::A4Small, 10, 210.0, 297.0, "A4 Small 210 x 297 mm"},
    {TQRPaperSize::A5, 11, 148.0, 210.0, "A5 148 x 210 mm"},
    {TQRPaperSize::B4, 12, 250.0, 354.0, "B4 250 x 354 mm"},
    {TQRPaperSize::B5, 13, 182.0, 257.0, "B5 182 x 257 mm"},
    {TQRPaperSize::Folio, 14, 215.9, 330.2, "Folio 8 1/2 x 13 in"},
    {TQRPaperSize::Quarto, 15, 215.0, 275.0, "Quarto 215 x 275 mm"},
    {TQRPaperSize::qr10X14, 16, 254.0, 355.6, "10x14 in"},
    {TQRPaperSize::qr11X17, 17, 279.4, 431.8, "11x17 in"},
    {TQRPaperSize::Note, 18, 215.9, 279.0, "Note 8 1/2 x 11 in"},
    {TQRPaperSize::Env9, 19, 98.43, 225.4, "Envelope #9 3 7/8 x 8 7/8"},
    {TQRPaperSize::Env10, 20, 104.8, 241.3, "Envelope #10 4 1/8 x 9 1/2"},
    {TQRPaperSize::Env11, 21, 114.3, 263.5, "Envelope #11 4 1/2 x 10 3/8"},
    {TQRPaperSize::Env12, 22, 101.6, 279.4, "Envelope #12 4 \\276 x 11"},
    {TQRPaperSize::Env14, 23, 127.0, 292.1, "Envelope #14 4 \\276 x 11"},
    {TQRPaperSize::CSheet, 24, 100.0, 100.0, "C size sheet"},
    {TQRPaperSize::DSheet, 25, 100.0, 100.0, "D size sheet"},
    {TQRPaperSize::ESheet, 26, 100.0, 100.0, "E size sheet"},
    {TQRPaperSize::Custom, 256, 0.0, 0.0, "Custom Size"},
}};

struct TQRBinInfo {
    TQRBin bin;
    int deviceCode;  // the driver's paper-source code
};

/// One row per TQRBin, in enumeration order.
inline constexpr std::array<TQRBinInfo, 14> kQRBins{{
    {TQRBin::First, 1},
    {TQRBin::Upper, 1},
    {TQRBin::Lower, 2},
    {TQRBin::Middle, 3},
    {TQRBin::Manual, 4},
    {TQRBin::Envelope, 5},
    {TQRBin::EnvManual, 6},
    {TQRBin::Auto, 7},
    {TQRBin::Tractor, 8},
    {TQRBin::SmallFormat, 9},
    {TQRBin::LargeFormat, 10},
    {TQRBin::LargeCapacity, 11},
    {TQRBin::Cassette, 14},
    {TQRBin::Last, 14},
}};

constexpr bool QRTablesFollowTheirEnums() {
    for (size_t i = 0; i < kQRPaperSizes.size(); ++i) {
        if (static_cast<size_t>(kQRPaperSizes[i].size) != i) {
            return false;
        }
    }
    for (size_t i = 0; i < kQRBins.size(); ++i) {
        if (static_cast<size_t>(kQRBins[i].bin) != i) {
            return false;
        }
    }
    return static_cast<size_t>(TQRPaperSize::Custom) + 1 == kQRPaperSizes.size() &&
           static_cast<size_t>(TQRBin::Last) + 1 == kQRBins.size();
}
static_assert(QRTablesFollowTheirEnums(), "the paper and bin tables must follow their enumerations");

constexpr const TQRPaperSizeInfo& QRPaperSizeInfo(TQRPaperSize size) {
    return kQRPaperSizes[static_cast<size_t>(size)];
}
constexpr int QRBinCode(TQRBin bin) {
    return kQRBins[static_cast<size_t>(bin)].deviceCode;
}

/// The display name of a paper size.
QString QRPaperName(TQRPaperSize size);

}  // namespace quorin
