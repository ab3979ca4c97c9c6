#include "runtime/SafeFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include "runtime/Exceptions.h"

namespace quorin {

struct TSafeFile::Impl {
    QSaveFile file;
    bool failed = false;
};

TSafeFile::TSafeFile(const QString& fileName) : fileName_(fileName), d(std::make_unique<Impl>()) {
    d->file.setFileName(fileName);
    if (!d->file.open(QIODevice::WriteOnly))
        Fail(d->file.errorString());
}

TSafeFile::~TSafeFile() {
    if (d && d->file.isOpen())
        d->file.cancelWriting();
}

void TSafeFile::Fail(const QString& reason) {
    if (d->file.isOpen())
        d->file.cancelWriting();
    d->failed = true;
    throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                        .arg(QFileInfo(fileName_).fileName(), reason));
}

void TSafeFile::Write(QByteArrayView bytes) {
    if (d->failed || !d->file.isOpen())
        Fail(QStringLiteral("o arquivo não está aberto para gravação"));
    if (d->file.write(bytes.data(), bytes.size()) != bytes.size())
        Fail(d->file.errorString());
}

QIODevice& TSafeFile::Device() { return d->file; }

void TSafeFile::Commit() {
    if (d->failed || !d->file.isOpen())
        Fail(QStringLiteral("o arquivo não está aberto para gravação"));
    if (d->file.error() != QFileDevice::NoError)
        Fail(d->file.errorString());
    if (!d->file.commit()) {
        d->failed = true;
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo \"%1\": %2")
                            .arg(QFileInfo(fileName_).fileName(), d->file.errorString()));
    }
}

void TSafeFile::Discard() {
    if (d->file.isOpen())
        d->file.cancelWriting();
}

void WriteFileSafely(const QString& fileName, QByteArrayView bytes) {
    TSafeFile file(fileName);
    file.Write(bytes);
    file.Commit();
}

}  // namespace quorin
