#include "app/Fonte.h"

#include <QStringList>

namespace quorin {

QFont Fonte(const QString& face, int pixels, bool negrito) {
    QFont fonte(face);
    if (face == QLatin1String("MS Sans Serif"))
        fonte.setFamilies({face, QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                           QStringLiteral("Arial")});
    else if (face == QLatin1String("Arial"))
        fonte.setFamilies({face, QStringLiteral("Liberation Sans")});
    fonte.setPixelSize(pixels);
    fonte.setBold(negrito);
    return fonte;
}

}  // namespace quorin
