#include "domain/Rascunho.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <cerrno>

#include "dataset/Crc32.h"
#include "runtime/DateTime.h"

namespace quorin {

namespace {

const QByteArray kMagia = "QRRASCUNHO";
const QByteArray kRegistro = "I";
const QString kAplicacao = QStringLiteral("QuorinRealinhamentoPreco");
const QString kExtensao = QStringLiteral(".rascunho");

QByteArray Codifica(const QString& texto) {
    return texto.toUtf8().toPercentEncoding(" ");
}
QString Decodifica(const QByteArray& bytes) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

QByteArray Numero(double v) {
    return QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
}

// The payload, a tab and its CRC-32 in eight hex digits, and the line's end.
QByteArray Linha(const QList<QByteArray>& campos) {
    QByteArray linha = campos.join('\t');
    const uint32_t crc = Crc32(linha.constData(), size_t(linha.size()));
    linha += '\t';
    linha += QByteArray::number(crc, 16).rightJustified(8, '0');
    linha += '\n';
    return linha;
}

// The fields of a line (without its end) whose checksum holds; empty otherwise.
QList<QByteArray> Campos(const QByteArray& linha) {
    const qsizetype tab = linha.lastIndexOf('\t');
    if (tab < 0 || linha.size() - tab - 1 != 8)
        return {};
    bool ok = false;
    const uint32_t crc = linha.mid(tab + 1).toUInt(&ok, 16);
    if (!ok || crc != Crc32(linha.constData(), size_t(tab)))
        return {};
    return linha.left(tab).split('\t');
}

QByteArray Cabecalho(const QByteArray& processo, const QString& documento) {
    return Linha({kMagia, QByteArray::number(TRascunho::Versao), processo.toHex(), Codifica(documento)});
}

bool GravaTudo(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype resta = bytes.size();
    while (resta > 0) {
        const ssize_t n = ::write(fd, p, size_t(resta));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        resta -= n;
    }
    return true;
}

// A new file's name is durable only once its folder is synced.
void SincronizaPasta(const QString& pasta) {
    const int fd = ::open(QFile::encodeName(pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// How the existing file is read before appending: its records and where the last
// complete line ends.
struct Estado {
    TLeituraRascunho leitura;
    qsizetype fimUltimaLinha = 0;
    bool cabecalhoLido = false;  ///< a header line with a valid checksum (any version)
};

Estado Analisa(const QByteArray& bytes) {
    Estado e;
    qsizetype inicio = 0;
    bool primeira = true;
    while (inicio < bytes.size()) {
        const qsizetype fim = bytes.indexOf('\n', inicio);
        if (fim < 0)
            break;  // torn last line
        const QList<QByteArray> campos = Campos(bytes.mid(inicio, fim - inicio));
        e.fimUltimaLinha = fim + 1;
        inicio = fim + 1;
        if (primeira) {
            primeira = false;
            if (campos.size() != 4 || campos[0] != kMagia)
                return e;
            e.cabecalhoLido = true;
            e.leitura.versao = campos[1].toInt();
            if (e.leitura.versao != TRascunho::Versao)
                return e;
            e.leitura.existe = true;
            e.leitura.processo = QByteArray::fromHex(campos[2]);
            e.leitura.documento = Decodifica(campos[3]);
            continue;
        }
        bool ok[4] = {false, false, false, false};
        TItemRascunho item;
        if (campos.size() == 7 && campos[0] == kRegistro) {
            item.lote = campos[1].toInt(&ok[0]);
            item.item = campos[2].toInt(&ok[1]);
            item.preco = campos[3].toDouble(&ok[2]);
            item.total = campos[4].toDouble(&ok[3]);
            item.quando = QDateTime::fromString(QString::fromLatin1(campos[5]), Qt::ISODateWithMs);
            item.marca = Decodifica(campos[6]);
        }
        if (ok[0] && ok[1] && ok[2] && ok[3] && item.quando.isValid())
            e.leitura.itens << item;
        else
            ++e.leitura.ignorados;
    }
    if (inicio < bytes.size())
        ++e.leitura.ignorados;
    return e;
}

}  // namespace

QList<TItemRascunho> TLeituraRascunho::UltimosPorItem() const {
    QMap<QPair<int, int>, TItemRascunho> ultimos;
    for (const TItemRascunho& i : itens)
        ultimos.insert({i.lote, i.item}, i);
    return ultimos.values();
}

TRascunho::~TRascunho() {
    FechaArquivo();
}

QString TRascunho::PastaPadrao() {
    // The window and the command-line tool run under different application
    // names; both keep the drafts in the window's folder.
    const QString nome = QCoreApplication::applicationName();
    const QString organizacao = QCoreApplication::organizationName();
    QCoreApplication::setApplicationName(kAplicacao);
    QCoreApplication::setOrganizationName(QString());
    const QString pasta = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QCoreApplication::setApplicationName(nome);
    QCoreApplication::setOrganizationName(organizacao);
    return pasta.isEmpty() ? QString() : pasta + QStringLiteral("/rascunhos");
}

QByteArray TRascunho::ResumoArquivo(const QString& arquivo) {
    // Only a regular file: a pipe or a device would be waited on for ever.
    if (!QFileInfo(arquivo).isFile())
        return {};
    QFile file(arquivo);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return {};
    return hash.result();
}

QString TRascunho::CaminhoRascunho(const QString& pasta, const QByteArray& processo,
                                   const QString& documento) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(processo);
    hash.addData(QByteArrayView("\n"));
    hash.addData(documento.toUtf8());
    return pasta + u'/' + QString::fromLatin1(hash.result().toHex()) + kExtensao;
}

TLeituraRascunho TRascunho::Le(const QString& caminho) {
    if (!QFileInfo(caminho).isFile())
        return {};
    QFile file(caminho);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return Analisa(file.readAll()).leitura;
}

void TRascunho::Usa(const QString& pasta, const QByteArray& processo, const QString& documento) {
    FechaArquivo();
    pasta_ = pasta;
    processo_ = processo;
    documento_ = documento;
    caminho_ =
        pasta.isEmpty() || processo.isEmpty() ? QString() : CaminhoRascunho(pasta, processo, documento);
}

void TRascunho::Fecha() {
    FechaArquivo();
    pasta_.clear();
    caminho_.clear();
    processo_.clear();
    documento_.clear();
}

void TRascunho::FechaArquivo() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TRascunho::AbreParaGravar() {
    if (fd_ >= 0)
        return true;
    if (caminho_.isEmpty() || !QDir().mkpath(pasta_))
        return false;
    const QByteArray nome = QFile::encodeName(caminho_);
    const QFileInfo info(caminho_);
    const bool novo = !info.exists();
    if (!novo && !info.isFile())
        return false;
    const int fd = ::open(nome.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;

    // What is there already: keep every complete line, drop a torn tail so the
    // next record starts on a line of its own.
    QByteArray bytes;
    {
        QFile leitor(caminho_);
        if (!leitor.open(QIODevice::ReadOnly)) {
            ::close(fd);
            return false;
        }
        bytes = leitor.readAll();
    }
    const Estado e = Analisa(bytes);
    bool ok = true;
    if (e.cabecalhoLido && !e.leitura.existe) {
        ok = false;  // a draft of another version of the program: leave it alone
    } else if (!e.cabecalhoLido) {
        // Empty, or the header itself was torn: nothing in it can be read.
        ok = ::ftruncate(fd, 0) == 0 && GravaTudo(fd, Cabecalho(processo_, documento_)) &&
             ::fdatasync(fd) == 0;
    } else if (e.fimUltimaLinha < bytes.size()) {
        ok = ::ftruncate(fd, off_t(e.fimUltimaLinha)) == 0 && ::fdatasync(fd) == 0;
    }
    if (!ok) {
        ::close(fd);
        return false;
    }
    if (novo)
        SincronizaPasta(pasta_);
    fd_ = fd;
    return true;
}

bool TRascunho::Registra(const TItemRascunho& item) {
    if (!AbreParaGravar())
        return false;
    const QDateTime quando = (item.quando.isValid() ? item.quando : QDateTime::currentDateTimeUtc()).toUTC();
    const QByteArray linha =
        Linha({kRegistro, QByteArray::number(item.lote), QByteArray::number(item.item), Numero(item.preco),
               Numero(item.total), quando.toString(Qt::ISODateWithMs).toLatin1(), Codifica(item.marca)});
    const off_t antes = ::lseek(fd_, 0, SEEK_END);
    if (antes >= 0 && GravaTudo(fd_, linha) && ::fdatasync(fd_) == 0)
        return true;
    // Take back a half-written line; if even that fails, the next opening drops
    // the torn tail before it appends.
    if (antes >= 0 && ::ftruncate(fd_, antes) == 0)
        ::fdatasync(fd_);
    FechaArquivo();
    return false;
}

bool TRascunho::PoeDeLado() {
    FechaArquivo();
    if (caminho_.isEmpty() || !QFileInfo::exists(caminho_))
        return true;
    const QString base = caminho_.chopped(kExtensao.size());
    const QString carimbo = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmsszzz"));
    QString destino = base + QStringLiteral(".anterior-") + carimbo + kExtensao;
    for (int n = 2; QFileInfo::exists(destino); ++n)
        destino = base + QStringLiteral(".anterior-") + carimbo + u'-' + QString::number(n) + kExtensao;
    if (!QFile::rename(caminho_, destino))
        return false;
    SincronizaPasta(pasta_);
    return true;
}

bool TRascunho::Remove() {
    FechaArquivo();
    if (caminho_.isEmpty() || !QFileInfo::exists(caminho_))
        return true;
    if (!QFile::remove(caminho_))
        return false;
    SincronizaPasta(pasta_);
    return true;
}

namespace MensagensRascunho {

QString RascunhoEncontrado(int itens, const QDateTime& ultimo) {
    const QString quantos =
        itens == 1 ? QStringLiteral("1 item gravado") : QStringLiteral("%1 itens gravados").arg(itens);
    return QStringLiteral(
               "Existe um rascunho deste processo com %1 (último em %2). Deseja continuar de onde parou?")
        .arg(quantos, FormatDateTime(QStringLiteral("dd/mm/yyyy hh:nn"), ultimo.toLocalTime()));
}

QString RascunhoIndisponivel() {
    return QStringLiteral(
        "Não foi possível gravar o rascunho deste processo. Os preços digitados ficarão guardados somente "
        "até o programa ser fechado.");
}

}  // namespace MensagensRascunho

}  // namespace quorin
