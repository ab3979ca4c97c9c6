// The peer a Qt developer would reach for to print the proposal report: the rows
// of the report's data set, each item with its brand and its Especificação, laid
// out as an HTML table by QTextDocument and written by QPdfWriter. Shared by the
// benchmarks that compare the engine with it per item.
#pragma once

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QTextDocument>

#include "dataset/Field.h"
#include "dataset/TMemoryDataSet.h"
#include "runtime/FormatFloat.h"

namespace quorin::bench {

struct PeerRun {
    int items = 0;
    int pages = 0;
    double seconds = 0;
    double ItemsPerSecond() const { return seconds > 0 ? items / seconds : 0; }
    double PagesPerSecond() const { return seconds > 0 ? pages / seconds : 0; }
};

/// The first `maxItems` rows of the report's data set into `file` (timed from the
/// first row read to the last page written).
inline PeerRun PeerPdf(TMemoryDataSet& rows, int maxItems, const QString& file) {
    QElapsedTimer timer;
    timer.start();
    auto text = [&](const char* name) { return rows.FieldByName(QLatin1String(name))->AsString().toHtmlEscaped(); };
    auto number = [&](const char* name, const char* mask) {
        return FormatFloat(QLatin1String(mask), rows.FieldByName(QLatin1String(name))->AsFloat());
    };
    PeerRun run;
    QString html = QStringLiteral("<table>");
    int lot = -1;
    const auto lotFooter = [&] { html += QStringLiteral("<tr><td colspan=6 align=right><b>Total do Lote:</b></td></tr>"); };
    for (rows.First(); !rows.Eof() && run.items < maxItems; rows.Next(), ++run.items) {
        const int thisLot = rows.FieldByName(QStringLiteral("NRO_LOTE"))->AsInteger();
        if (thisLot != lot) {
            if (lot != -1) lotFooter();
            lot = thisLot;
            html += QStringLiteral("<tr><td colspan=6><b>Lote: %1 - %2</b></td></tr>")
                        .arg(FormatFloat(QStringLiteral("0000"), lot), text("DES_LOTE"));
        }
        QString especificacao = text("DES_ESPECIFICACAO");
        especificacao.replace(u'\n', QStringLiteral("<br>"));
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td align=right>%4</td><td align=right>%5</td>"
                               "<td align=right>%6</td></tr><tr><td colspan=6>Marca: %7</td></tr>"
                               "<tr><td colspan=6>Especificação: %8</td></tr>")
                    .arg(number("NRO_ITEM", "00000"), number("COD_PRODUTO", "000000"), text("DES_PRODUTO"),
                         number("QTD_PRODUTO", "#,##0.0000"), number("vlr_realinhamento", "#,##0.0000"),
                         number("vlr_total", "#,##0.00"), text("DES_MARCA"), especificacao);
    }
    lotFooter();
    html += QStringLiteral("</table>");
    QPdfWriter writer(file);
    writer.setPageSize(QPageSize(QPageSize::Letter));
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&writer);
    document.setPageSize(QSizeF(writer.width(), writer.height()));
    document.setHtml(html);
    document.print(&writer);
    run.pages = document.pageCount();
    run.seconds = timer.nsecsElapsed() / 1e9;
    return run;
}

}  // namespace quorin::bench
