#pragma once

#include <QString>

namespace quorin {
class TMemoryDataSet;
}

namespace quorin::pacote {

/// One line per draft kept for the loaded file, one per supplier document found in
/// it ("Rascunho: 3 itens gravados, último em 10/12/2026 05:13 (documento ...)");
/// empty when there is none. `ds` is the file as loaded; its cursor moves.
QString DescreveRascunhos(const QString& arquivo, TMemoryDataSet& ds);

}  // namespace quorin::pacote
