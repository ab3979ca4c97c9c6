// Feeds arbitrary bytes to the data-packet loader. When the first byte is odd the
// rest is wrapped in a valid header with the right checksum, so that the schema
// and row decoder (not just the checksum test) sees hostile bytes.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "dataset/Crc32.h"
#include "dataset/DataPacket.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"

namespace {

QByteArray Wrap(const uint8_t* data, size_t size) {
    QByteArray out(quorin::TDataPacket::Magic, 8);
    auto put = [&out](uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out.append(char((v >> (8 * i)) & 0xFF));
        }
    };
    put(quorin::TDataPacket::Version, 2);
    put(0, 2);
    put(size, 8);
    put(quorin::Crc32(data, size), 4);
    out.append(reinterpret_cast<const char*>(data), qsizetype(size));
    return out;
}

void Load(quorin::TMemoryDataSet& ds, const QByteArray& bytes) {
    try {
        ds.LoadFromBytes(bytes);
        // What loads must save and load again.
        const QByteArray again = ds.SaveToBytes();
        ds.LoadFromBytes(again);
        if (ds.SaveToBytes() != again) {
            __builtin_trap();
        }
        for (ds.First(); !ds.Eof(); ds.Next()) {
            for (quorin::TField* f : ds.Fields()) {
                (void)f->DisplayText();
            }
        }
    } catch (const quorin::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArray bytes = (data[0] & 1)
                                 ? Wrap(data + 1, size - 1)
                                 : QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    quorin::TMemoryDataSet automatic;
    Load(automatic, bytes);
    quorin::TMemoryDataSet processo;
    quorin::ProposalSchema::DeclareProcesso(processo);
    Load(processo, bytes);
    return 0;
}
