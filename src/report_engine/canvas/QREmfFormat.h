#pragma once

#include <cstdint>

// Record types and constants of the enhanced-metafile records the recorder
// writes and the player reads.
namespace quorin::emf {

enum RecordType : uint32_t {
    EMR_HEADER = 1,
    EMR_POLYBEZIER = 2,
    EMR_POLYGON = 3,
    EMR_POLYLINE = 4,
    EMR_POLYBEZIERTO = 5,
    EMR_POLYLINETO = 6,
    EMR_POLYPOLYLINE = 7,
    EMR_POLYPOLYGON = 8,
    EMR_SETWINDOWEXTEX = 9,
    EMR_SETWINDOWORGEX = 10,
    EMR_SETVIEWPORTEXTEX = 11,
    EMR_SETVIEWPORTORGEX = 12,
    EMR_EOF = 14,
    EMR_SETMAPMODE = 17,
    EMR_SETBKMODE = 18,
    EMR_SETPOLYFILLMODE = 19,
    EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24,
    EMR_SETBKCOLOR = 25,
    EMR_MOVETOEX = 27,
    EMR_INTERSECTCLIPRECT = 30,
    EMR_SAVEDC = 33,
    EMR_RESTOREDC = 34,
    EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38,
    EMR_CREATEBRUSHINDIRECT = 39,
    EMR_DELETEOBJECT = 40,
    EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43,
    EMR_ROUNDRECT = 44,
    EMR_LINETO = 54,
    EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82,
    EMR_EXTTEXTOUTA = 83,
    EMR_EXTTEXTOUTW = 84,
    EMR_POLYBEZIER16 = 85,
    EMR_POLYGON16 = 86,
    EMR_POLYLINE16 = 87,
    EMR_POLYBEZIERTO16 = 88,
    EMR_POLYLINETO16 = 89,
    EMR_POLYPOLYLINE16 = 90,
    EMR_POLYPOLYGON16 = 91,
};

// Stock objects are selected by index with the high bit set.
constexpr uint32_t STOCK_OBJECT = 0x80000000u;
constexpr uint32_t WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
                   NULL_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, SYSTEM_FONT = 13,
                   DEFAULT_GUI_FONT = 17;

constexpr uint32_t PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5;
constexpr uint32_t BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2;
constexpr uint32_t TRANSPARENT = 1, OPAQUE = 2;
constexpr uint32_t TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
constexpr uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4;
constexpr uint32_t MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8;
constexpr uint32_t ALTERNATE = 1, WINDING = 2;
constexpr uint32_t DIB_RGB_COLORS = 0, SRCCOPY = 0x00CC0020u;
constexpr uint32_t GM_COMPATIBLE = 1;

// The reference device the recorder names in its headers, in pixels.
constexpr int kRecorderDeviceWidth = 1920;
constexpr int kRecorderDeviceHeight = 1080;

// Sizes of fixed parts.
constexpr int kLogFontSize = 92;            // LOGFONTW
constexpr int kLogFontPanoseSize = 320;     // LOGFONT_PANOSE
constexpr int kExtTextOutFixed = 76;        // up to the string of an EXTTEXTOUT record
constexpr int kStretchDibitsFixed = 80;     // up to the bitmap header
constexpr int kBitmapInfoHeaderSize = 40;

// How many saved contexts an EMR_RESTOREDC pops with `depth` of them saved: a
// negative value goes that many levels back, a positive one back to that level;
// anything out of range pops none.
constexpr int64_t RestoreLevels(int64_t relative, int64_t depth) {
    if (relative < 0) return -relative <= depth ? -relative : 0;
    return relative >= 1 && relative <= depth ? depth - relative + 1 : 0;
}

}  // namespace quorin::emf
