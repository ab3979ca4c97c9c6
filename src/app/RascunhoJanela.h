#pragma once

#include <QByteArray>
#include <QString>

#include "domain/Rascunho.h"

namespace quorin {

class TFRM_QuorinRealinhamentoPreco;

/// The main window's draft: keeps every recorded item of the identified supplier
/// in a journal, offers it back when the same file and supplier come again, and
/// removes it once the proposal file is written. The window calls one hook per
/// handler; with no draft on disk the window's flows are unchanged.
class TRascunhoJanela {
  public:
    explicit TRascunhoJanela(TFRM_QuorinRealinhamentoPreco& janela) : w_(janela) {}

    /// A process file was loaded. A closed proposal keeps no draft.
    void ProcessoAberto(const QString& arquivo, bool encerrado);
    /// The window went back to no process.
    void ProcessoFechado();
    /// The supplier was found in the file: offers the draft of this file and
    /// supplier, if there is one, and applies it when accepted. Run before the
    /// grids are released.
    void Identificado(const QString& documento);
    /// The current row of CDS_Processo was just recorded.
    void Gravado();
    /// The proposal file was written.
    void Encerrado();

  private:
    void Aplica(const QList<TItemRascunho>& itens);

    TFRM_QuorinRealinhamentoPreco& w_;
    TRascunho rascunho_;
    QString pasta_;
    QByteArray processo_;  ///< empty: no draft for this process
    bool indisponivel_ = false;
    bool avisado_ = false;
};

}  // namespace quorin
