#pragma once

#include <vector>

#include "report_engine/model/TQRDefinition.h"
#include "report_engine/model/TQuickRep.h"
#include "report_engine/printables/TQRCustomLabel.h"
#include "runtime/Currency.h"

namespace quorin {

class TMemoryDataSet;
class TQRDBText;

/// The program's one report: the supplier's proposal for a process, grouped
/// by lot, with each item's unit price and total, a total per lot, the grand
/// total and a signature line. Its bands and printables come from the two
/// layout tables below (pixels at 96 per inch, positions relative to the
/// band); its rows come from CDS_Relatorio, which the caller fills.
class TQRP_Propostas : public TQuickRep {
  public:
    explicit TQRP_Propostas(QObject* owner = nullptr);
    ~TQRP_Propostas() override;

    TMemoryDataSet* CDS_Relatorio;

    /// Sums of vlr_total over the detail rows printed so far in the run, and
    /// over those of the current lot.
    Currency VlrTotalProposta;
    Currency VlrTotalLote;

    TQRLabel* QRL_Titulo1;
    TQRLabel* QRL_ValorTotalLote;
    TQRLabel* QRL_ValorTotalProposta;

    void QRP_PropostasBeforePrint(TCustomQuickRep* sender, bool& printReport);
    /// Wraps an entity or municipality name too long for its row and grows the
    /// page header by the lines it adds; a name that fits prints as designed.
    void PHB_PropostasBeforePrint(TQRCustomBand* sender, bool& printBand);
    void DTB_PropostasBeforePrint(TQRCustomBand* sender, bool& printBand);
    void QRB_RodapeLoteBeforePrint(TQRCustomBand* sender, bool& printBand);
    void SUB_PropostasBeforePrint(TQRCustomBand* sender, bool& printBand);

    /// The layout: one row per band in printing order, one per printable.
    static const std::vector<TQRBandRow>& Bandas();
    static const std::vector<TQRPrintableRow>& Imprimiveis();

  private:
    /// A name of the page header that widens to the right as far as the page
    /// number's column and wraps there, taking the rows below it down.
    struct TNomeDoCabecalho {
        TQRDBText* texto;
        std::vector<TQRPrintable*> abaixo;  // the rows below its first line, left of the page number
    };
    /// Grows the header for one name that does not fit on its line.
    void QuebraNome(const TNomeDoCabecalho& nome, TQRCustomBand* cabecalho);

    TQRPrintable* QRS_Pagina;
    std::vector<TNomeDoCabecalho> nomesDoCabecalho_;  // from the top down
    bool cabecalhoCresceu_ = false;
};

}  // namespace quorin
