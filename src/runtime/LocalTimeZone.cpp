#include "runtime/LocalTimeZone.h"

#include <QByteArray>
#include <QtGlobal>
#include <ctime>

namespace quorin {

void ReadLocalTimeZoneOnce() {
    if (!qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", QByteArrayLiteral(":/etc/localtime"));
        tzset();
    }
}

}  // namespace quorin
