#pragma once

#include <QString>
#include <QVariantMap>
#include <functional>
#include <initializer_list>
#include <vector>

#include "report_engine/canvas/TQRCanvas.h"
#include "report_engine/model/TQRBands.h"

namespace quorin {

class TCustomQuickRep;
class TQRPrintable;

/// One band of a report described as a table row. Kind is "Band" (a TQRBand
/// of Type), "Group", "Child" or "SubDetail". Height is in pixels at 96 per
/// inch. Parent names the parent band of a child; Link the LinkBand; Master a
/// group's or sub-detail's master (empty: the report); Footer a group's footer.
struct TQRBandRow {
    QString Name;
    TQRBandType Type = rbDetail;
    int Height = 20;
    QString Kind = QStringLiteral("Band");
    QVariantMap Properties;  // see TQRDefinition::ApplyBandProperties
};

/// One printable as a table row: its kind (registered by name), the band it
/// sits on (empty: the report itself), and its position in pixels at 96 per inch.
struct TQRPrintableRow {
    QString Name;
    QString Kind;
    QString Band;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    QVariantMap Properties;
};

/// Makes a printable of a kind on its parent and applies the row's
/// properties that belong to the kind.
using TQRPrintableFactory = std::function<TQRPrintable*(TQRControl* parent, const TQRPrintableRow& row)>;

/// The printable kinds a definition table may name, by name. The printables
/// folder adds its kinds at start-up; tests add their own.
class TQRPrintableRegistry {
  public:
    static void Register(const QString& kind, TQRPrintableFactory factory);
    static bool Has(const QString& kind);
    static TQRPrintable* Create(const QString& kind, TQRControl* parent, const TQRPrintableRow& row);
};

/// Builds a report's bands and printables from tables. Band properties in
/// TQRBandRow::Properties: "Parent", "Link", "Master", "Footer", "Expression",
/// "Enabled", "ForceNewPage", "ForceNewColumn", "AlignToBottom",
/// "ReprintOnNewPage", "PrintBefore", "PrintIfEmpty", "Color", "FontName",
/// "FontSize", "FontBold", "FontItalic", "Frame" ("TBLR" sides), "FrameWidth".
/// Printable properties common to every kind: "Enabled", "Alignment"
/// ("left", "right", "center"), "AlignToBand", "Transparent", "Color",
/// "Frame", "FrameWidth", "FontName", "FontSize", "FontBold", "FontItalic";
/// the kind's factory reads the rest.
class TQRDefinition {
  public:
    /// Pixels at 96 per inch to native units, as the engine converts a stored pixel length.
    static long double PixelsToNative(int pixels);

    /// Adds the bands, then the printables, then lays the report out
    /// (Loaded). Raises quorin::Exception (Portuguese) for an unknown band,
    /// kind or reference.
    static void Build(TCustomQuickRep& report, const std::vector<TQRBandRow>& bands,
                      const std::vector<TQRPrintableRow>& printables);

    static void ApplyFont(TQRFont& font, const QVariantMap& properties);
    static void ApplyFrame(TQRFrame& frame, const QVariantMap& properties);
};

}  // namespace quorin
