#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

namespace quorin {

/// One recorded item of a draft: what "Gravar" stored in the item's row.
struct TItemRascunho {
    int lote = 0;
    int item = 0;
    QString marca;
    double preco = 0;
    double total = 0;
    QDateTime quando;  ///< UTC, to the millisecond
};

/// What a draft file holds. A torn last line (a write cut short) and any line
/// whose checksum fails are left out and counted in `ignorados`.
struct TLeituraRascunho {
    bool existe = false;  ///< the file is there and carries a header of a known version
    int versao = 0;
    QByteArray processo;  ///< SHA-256 of the process file's bytes
    QString documento;
    QList<TItemRascunho> itens;
    int ignorados = 0;

    /// The last record of each item, in lot and item order.
    QList<TItemRascunho> UltimosPorItem() const;
};

/// The draft of one process file and one supplier: an append-only journal of
/// every recorded item, kept in the user's application data folder, so typed
/// prices survive a closed window, a crash or a power cut. Each record carries
/// its own CRC-32 and is on disk (fdatasync) before Registra returns; the file is
/// opened once with O_APPEND and never rewritten, so an append costs the same
/// for the first and the ten-thousandth item. The format is in docs/rascunho.md.
class TRascunho {
  public:
    static constexpr int Versao = 1;

    TRascunho() = default;
    ~TRascunho();
    TRascunho(const TRascunho&) = delete;
    TRascunho& operator=(const TRascunho&) = delete;

    /// The folder of the drafts: the program's application data folder (the same
    /// for the window and the command-line tool) followed by "rascunhos".
    static QString PastaPadrao();
    /// SHA-256 of the file's bytes; empty when the file cannot be read.
    static QByteArray ResumoArquivo(const QString& arquivo);
    /// The draft's file in `pasta`, named by a checksum of the process file's
    /// digest and the supplier's document.
    static QString CaminhoRascunho(const QString& pasta, const QByteArray& processo,
                                   const QString& documento);
    /// Reads a draft file; a missing or foreign file reads as not existing.
    static TLeituraRascunho Le(const QString& caminho);

    /// Switches to the draft of that process and supplier (closing the one in
    /// use). Nothing is written until the first Registra.
    void Usa(const QString& pasta, const QByteArray& processo, const QString& documento);
    /// Stops using any draft; the file stays where it is.
    void Fecha();
    bool EmUso() const { return !caminho_.isEmpty(); }
    const QString& Caminho() const { return caminho_; }
    const QString& Documento() const { return documento_; }
    const QByteArray& Processo() const { return processo_; }

    /// Appends one record and syncs it to disk. False when the draft cannot be
    /// written (no folder, no space, no permission); the file keeps every record
    /// written before.
    bool Registra(const TItemRascunho& item);
    /// Moves the draft aside as a previous draft (renamed, never deleted); the
    /// next Registra starts a new one. False when there was a file and it could
    /// not be moved.
    bool PoeDeLado();
    /// Deletes the draft (the proposal was written). False when it stays.
    bool Remove();

  private:
    bool AbreParaGravar();
    void FechaArquivo();

    QString pasta_;
    QString caminho_;
    QByteArray processo_;
    QString documento_;
    int fd_ = -1;
};

namespace MensagensRascunho {

/// The offer to go on with a draft of `itens` items, the last recorded at `ultimo`
/// (shown in local time as dd/mm/aaaa hh:nn).
QString RascunhoEncontrado(int itens, const QDateTime& ultimo);
/// The one warning of a process whose draft cannot be written.
QString RascunhoIndisponivel();

}  // namespace MensagensRascunho

}  // namespace quorin
