#include "WebPages.h"

namespace WebPages {

QByteArray statusPage() {
    return {};
}
QByteArray stationJson(const StationState&) {
    return {};
}
QByteArray linesJson(const StationState&) {
    return {};
}
QByteArray metersJson(const StationState&) {
    return {};
}
QByteArray alarmsJson(const StationState&) {
    return {};
}
QByteArray metrics(const StationState&) {
    return {};
}

} // namespace WebPages
