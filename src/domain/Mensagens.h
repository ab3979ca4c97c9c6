#pragma once

#include <QString>

namespace quorin::Mensagens {

/// The texts the proposal workflow shows the supplier; the window and the
/// command-line tool use the same words.

inline QString ErroLeituraArquivo() {
    return QStringLiteral(
        "Ocorreu um erro na leitura do arquivo. Verifique as versões do Brisca e do QuorinRealinhamentoPreco.");
}

/// "O C N P J informado não foi encontrado no arquivo." for the caption " C N P J".
QString DocumentoNaoEncontrado(const QString& tipoDocumento);

inline QString ValorUnitarioInvalido() { return QStringLiteral("O valor unitário deve ser maior que 0 ( zero )."); }

/// The refusal of a closing, with the lot list already prefixed ("no lote: 3").
QString EncerramentoRecusado(const QString& listaLotes);

/// The success of a closing, the file name on a line of its own.
QString PropostaGravada(const QString& nomeArquivo);

}  // namespace quorin::Mensagens
