#include <QtTest>

#include "report_engine/export/QRExportFilters.h"
#include "report_engine/printer/TQRExportFilter.h"

using namespace quorin;

class TestQRExportFilters : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // The save command's order, each filter once even when registered twice.
    void registeredInTheSaveCommandsOrder() {
        RegisterStandardExportFilters();
        RegisterStandardExportFilters();
        const auto& filters = TQRExportFilterLibrary::Instance().Filters();
        QStringList names;
        for (const auto& entry : filters) names << entry.FilterName + u'|' + entry.Extension;
        QCOMPARE(names, QStringList({"Text file|TXT", "WMF File|WMF", "RTF File|RTF", "Excel spreadsheet|XLS",
                                     "PDF document|PDF"}));
        for (const auto& entry : filters) {
            const auto filter = entry.Create(QStringLiteral("x.out"));
            QVERIFY(filter);
            QCOMPARE(filter->FileName, QStringLiteral("x.out"));
            QCOMPARE(filter->GetFilterName(), entry.FilterName);
        }
        QVERIFY(TQRExportFilterLibrary::Instance().GetSaveDialogFilter().endsWith(
            QStringLiteral("|Excel spreadsheet (*.XLS)|*.XLS|PDF document (*.PDF)|*.PDF")));
    }
};

QTEST_MAIN(TestQRExportFilters)
#include "tst_qrexportfilters.moc"
