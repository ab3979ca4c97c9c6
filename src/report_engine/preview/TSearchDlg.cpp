#include "report_engine/preview/TSearchDlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "report_engine/preview/QRPreviewStyle.h"

namespace quorin {

TSearchDlg::TSearchDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
    setObjectName(QStringLiteral("SearchDlg"));
    setWindowTitle(QStringLiteral("Procurar Texto no Relatorio"));
    setFixedSize(305, 118);
    setFont(PreviewFont());

    Label1 = new QLabel(QStringLiteral("Procurar Por:"), this);
    Label1->setGeometry(8, 8, 120, 13);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 24, 289, 21);
    Label1->setBuddy(Edit1);
    CheckBox1 = new QCheckBox(QStringLiteral("Igual ao Digitado"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 56, 105, 17);
    CancelButton = new QPushButton(QStringLiteral("Cancelar"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(8, 88, 113, 25);
    CancelButton->setAutoDefault(false);
    SearchButton = new QPushButton(QStringLiteral("Procurar"), this);
    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    SearchButton->setGeometry(184, 88, 113, 25);
    SearchButton->setDefault(true);

    connect(CancelButton, &QPushButton::clicked, this, [this] {
        Cancelled = true;
        reject();
    });
    connect(SearchButton, &QPushButton::clicked, this, [this] {
        Cancelled = false;
        accept();
    });
    Edit1->setFocus();
}

QString TSearchDlg::GetText() const { return Edit1->text(); }

bool TSearchDlg::GetCase() const { return CheckBox1->isChecked(); }

}  // namespace quorin
