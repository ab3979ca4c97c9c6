#include "report_engine/model/TQRDefinition.h"

#include <QHash>
#include <QMutex>

#include "report_engine/model/TQRPrintable.h"
#include "report_engine/model/TQuickRep.h"
#include "runtime/Exceptions.h"

namespace quorin {

namespace {

struct Registry {
    QMutex lock;
    QHash<QString, TQRPrintableFactory> factories;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

TAlignment AlignmentFrom(const QString& text) {
    const QString t = text.toLower();
    if (t == QLatin1String("right")) {
        return TAlignment::taRightJustify;
    }
    if (t == QLatin1String("center") || t == QLatin1String("centre")) {
        return TAlignment::taCenter;
    }
    return TAlignment::taLeftJustify;
}

[[noreturn]] void Fail(const QString& message) {
    throw Exception(message);
}

}  // namespace

void TQRPrintableRegistry::Register(const QString& kind, TQRPrintableFactory factory) {
    Registry& r = TheRegistry();
    QMutexLocker locker(&r.lock);
    r.factories.insert(kind, std::move(factory));
}

bool TQRPrintableRegistry::Has(const QString& kind) {
    Registry& r = TheRegistry();
    QMutexLocker locker(&r.lock);
    return r.factories.contains(kind);
}

TQRPrintable* TQRPrintableRegistry::Create(const QString& kind, TQRControl* parent, const TQRPrintableRow& row) {
    TQRPrintableFactory factory;
    {
        Registry& r = TheRegistry();
        QMutexLocker locker(&r.lock);
        factory = r.factories.value(kind);
    }
    if (!factory) {
        Fail(QStringLiteral("Tipo de componente de relatório desconhecido: \"%1\".").arg(kind));
    }
    return factory(parent, row);
}

long double TQRDefinition::PixelsToNative(int pixels) {
    return static_cast<long double>(pixels) * (254.0L / 96);
}

void TQRDefinition::ApplyFont(TQRFont& font, const QVariantMap& p) {
    if (p.contains(QStringLiteral("FontName"))) {
        font.Name = p.value(QStringLiteral("FontName")).toString();
    }
    if (p.contains(QStringLiteral("FontSize"))) {
        font.Size = p.value(QStringLiteral("FontSize")).toInt();
    }
    if (p.contains(QStringLiteral("FontBold"))) {
        font.Bold = p.value(QStringLiteral("FontBold")).toBool();
    }
    if (p.contains(QStringLiteral("FontItalic"))) {
        font.Italic = p.value(QStringLiteral("FontItalic")).toBool();
    }
    if (p.contains(QStringLiteral("FontColor"))) {
        font.Color = p.value(QStringLiteral("FontColor")).value<QColor>();
    }
}

void TQRDefinition::ApplyFrame(TQRFrame& frame, const QVariantMap& p) {
    if (p.contains(QStringLiteral("Frame"))) {
        const QString sides = p.value(QStringLiteral("Frame")).toString().toUpper();
        frame.DrawTop = sides.contains(QLatin1Char('T'));
        frame.DrawBottom = sides.contains(QLatin1Char('B'));
        frame.DrawLeft = sides.contains(QLatin1Char('L'));
        frame.DrawRight = sides.contains(QLatin1Char('R'));
    }
    if (p.contains(QStringLiteral("FrameWidth"))) {
        frame.Width = p.value(QStringLiteral("FrameWidth")).toInt();
    }
    if (p.contains(QStringLiteral("FrameColor"))) {
        frame.Color = p.value(QStringLiteral("FrameColor")).value<QColor>();
    }
}

namespace {

bool HasFontProperty(const QVariantMap& p) {
    for (const char* key : {"FontName", "FontSize", "FontBold", "FontItalic", "FontColor"}) {
        if (p.contains(QLatin1String(key))) {
            return true;
        }
    }
    return false;
}

template <typename T>
void ApplyFontOf(T* control, const QVariantMap& p) {
    if (HasFontProperty(p)) {
        TQRFont font = control->Font();
        TQRDefinition::ApplyFont(font, p);
        control->SetFont(font);
    }
}

}  // namespace

void TQRDefinition::Build(TCustomQuickRep& report, const std::vector<TQRBandRow>& bands,
                          const std::vector<TQRPrintableRow>& printables) {
    report.Loading = true;
    QHash<QString, TQRCustomBand*> byName;
    auto bandNamed = [&](const QString& name, const QString& of) -> TQRCustomBand* {
        TQRCustomBand* band = byName.value(name);
        if (band == nullptr) {
            Fail(QStringLiteral("Banda \"%1\" citada por \"%2\" não existe.").arg(name, of));
        }
        return band;
    };
    try {
        for (const TQRBandRow& row : bands) {
            TQRCustomBand* band = nullptr;
            if (row.Kind == QLatin1String("Band")) {
                band = new TQRBand(&report, row.Type);
            } else if (row.Kind == QLatin1String("Group")) {
                band = new TQRGroup(&report);
            } else if (row.Kind == QLatin1String("Child")) {
                band = new TQRChildBand(&report);
            } else if (row.Kind == QLatin1String("SubDetail")) {
                band = new TQRSubDetail(&report);
            } else {
                Fail(QStringLiteral("Tipo de banda desconhecido: \"%1\".").arg(row.Kind));
            }
            band->SetName(row.Name.isEmpty() ? report.UniqueName(band->BandComponentName()) : row.Name);
            byName.insert(band->Name(), band);
            band->Size().SetNativeHeight(PixelsToNative(row.Height));
            const QVariantMap& p = row.Properties;
            if (p.contains(QStringLiteral("Enabled"))) {
                band->SetEnabled(p.value(QStringLiteral("Enabled")).toBool());
            }
            band->ForceNewPage = p.value(QStringLiteral("ForceNewPage"), band->ForceNewPage).toBool();
            band->ForceNewColumn = p.value(QStringLiteral("ForceNewColumn"), band->ForceNewColumn).toBool();
            band->AlignToBottom = p.value(QStringLiteral("AlignToBottom"), band->AlignToBottom).toBool();
            if (p.contains(QStringLiteral("Color"))) {
                band->Color = p.value(QStringLiteral("Color")).value<QColor>();
            }
            ApplyFontOf(band, p);
            ApplyFrame(band->Frame(), p);
            if (auto* group = dynamic_cast<TQRGroup*>(band)) {
                group->Expression = p.value(QStringLiteral("Expression")).toString();
                group->ReprintOnNewPage = p.value(QStringLiteral("ReprintOnNewPage"), false).toBool();
            }
            if (auto* sub = dynamic_cast<TQRControllerBand*>(band)) {
                if (p.contains(QStringLiteral("PrintBefore"))) {
                    sub->SetPrintBefore(p.value(QStringLiteral("PrintBefore")).toBool());
                }
                if (p.contains(QStringLiteral("PrintIfEmpty"))) {
                    sub->SetPrintIfEmpty(p.value(QStringLiteral("PrintIfEmpty")).toBool());
                }
            }
        }
        // References, once every band exists.
        for (const TQRBandRow& row : bands) {
            TQRCustomBand* band = byName.value(row.Name);
            if (band == nullptr) {
                continue;
            }
            const QVariantMap& p = row.Properties;
            if (p.contains(QStringLiteral("Parent"))) {
                auto* child = dynamic_cast<TQRChildBand*>(band);
                if (child == nullptr ||
                    !child->SetParentBand(bandNamed(p.value(QStringLiteral("Parent")).toString(), row.Name))) {
                    Fail(QStringLiteral("A banda \"%1\" não pode ter essa banda-mãe.").arg(row.Name));
                }
            }
            if (p.contains(QStringLiteral("Link"))) {
                if (!band->SetLinkBand(bandNamed(p.value(QStringLiteral("Link")).toString(), row.Name))) {
                    Fail(QStringLiteral("Ligação circular entre bandas em \"%1\".").arg(row.Name));
                }
            }
            if (p.contains(QStringLiteral("Master"))) {
                QObject* master = bandNamed(p.value(QStringLiteral("Master")).toString(), row.Name);
                bool accepted = false;
                if (auto* group = dynamic_cast<TQRGroup*>(band)) {
                    accepted = group->SetMaster(master);
                } else if (auto* controllerBand = dynamic_cast<TQRControllerBand*>(band)) {
                    accepted = controllerBand->SetMaster(master);
                }
                if (!accepted) {
                    Fail(QStringLiteral("A banda \"%1\" não aceita esse mestre.").arg(row.Name));
                }
            }
            if (p.contains(QStringLiteral("Footer"))) {
                auto* footer = dynamic_cast<TQRBand*>(bandNamed(p.value(QStringLiteral("Footer")).toString(), row.Name));
                if (auto* group = dynamic_cast<TQRGroup*>(band); group != nullptr && footer != nullptr) {
                    group->SetFooterBand(footer);
                } else if (auto* sub = dynamic_cast<TQRSubDetail*>(band); sub != nullptr && footer != nullptr) {
                    sub->SetFooterBand(footer);
                } else {
                    Fail(QStringLiteral("A banda \"%1\" não aceita esse rodapé.").arg(row.Name));
                }
            }
            if (p.contains(QStringLiteral("Header"))) {
                auto* sub = dynamic_cast<TQRSubDetail*>(band);
                if (sub == nullptr) {
                    Fail(QStringLiteral("A banda \"%1\" não aceita cabeçalho.").arg(row.Name));
                }
                sub->SetHeaderBand(bandNamed(p.value(QStringLiteral("Header")).toString(), row.Name));
            }
        }
        for (const TQRPrintableRow& row : printables) {
            TQRControl* parent = &report;
            if (!row.Band.isEmpty()) {
                parent = bandNamed(row.Band, row.Name);
            }
            TQRPrintable* printable = TQRPrintableRegistry::Create(row.Kind, parent, row);
            if (printable == nullptr) {
                Fail(QStringLiteral("O componente \"%1\" não pôde ser criado.").arg(row.Name));
            }
            if (!row.Name.isEmpty()) {
                printable->SetName(row.Name);
            }
            TQRPrintableSize& size = printable->Size();
            size.SetNative(0, PixelsToNative(row.Height));
            size.SetNative(1, PixelsToNative(row.Left));
            size.SetNative(2, PixelsToNative(row.Top));
            size.SetNative(3, PixelsToNative(row.Width));
            const QVariantMap& p = row.Properties;
            if (p.contains(QStringLiteral("Enabled"))) {
                printable->SetEnabled(p.value(QStringLiteral("Enabled")).toBool());
            }
            if (p.contains(QStringLiteral("Alignment"))) {
                printable->SetAlignment(AlignmentFrom(p.value(QStringLiteral("Alignment")).toString()));
            }
            if (p.contains(QStringLiteral("AlignToBand"))) {
                printable->SetAlignToBand(p.value(QStringLiteral("AlignToBand")).toBool());
            }
            if (p.contains(QStringLiteral("Transparent"))) {
                printable->SetTransparent(p.value(QStringLiteral("Transparent")).toBool());
            }
            if (p.contains(QStringLiteral("Color"))) {
                printable->Color = p.value(QStringLiteral("Color")).value<QColor>();
            }
            ApplyFontOf(printable, p);
            ApplyFrame(printable->Frame(), p);
        }
    } catch (...) {
        report.Loading = false;
        throw;
    }
    report.Loaded();
}

}  // namespace quorin
