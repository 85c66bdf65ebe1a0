#include "app/BuildTime.h"

QString BuildTimeLine() {
    return QStringLiteral("\r\nBuild time:") + QStringLiteral(__DATE__ " " __TIME__);
}
