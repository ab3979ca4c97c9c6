// Feeds arbitrary bytes to the CSV reader and importer, into the process schema
// and into a data set without declared fields.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "dataset/CsvInterchange.h"
#include "dataset/CsvReader.h"
#include "dataset/ProposalSchema.h"
#include "dataset/TMemoryDataSet.h"

namespace {

void Import(quorin::TMemoryDataSet& ds, const QByteArray& bytes) {
    try {
        quorin::TCsvInterchange::Import(ds, bytes);
        // What imports must export and import again to the same text.
        const QByteArray csv = quorin::TCsvInterchange::Export(ds);
        quorin::TCsvInterchange::Import(ds, csv);
        if (quorin::TCsvInterchange::Export(ds) != csv) {
            __builtin_trap();
        }
        (void)ds.SaveToBytes();
    } catch (const quorin::Exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        (void)quorin::TCsvReader::Parse(bytes);
    } catch (const quorin::Exception&) {
    }
    quorin::TMemoryDataSet processo;
    quorin::ProposalSchema::DeclareProcesso(processo);
    Import(processo, bytes);
    quorin::TMemoryDataSet automatic;
    Import(automatic, bytes);
    return 0;
}
