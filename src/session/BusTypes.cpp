#include "session/BusTypes.h"

#include <QDBusMetaType>

namespace korvex {

QDBusArgument& operator<<(QDBusArgument& out, const BusProfile& profile) {
    out.beginStructure();
    out << profile.id << profile.name;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, BusProfile& profile) {
    in.beginStructure();
    in >> profile.id >> profile.name;
    in.endStructure();
    return in;
}

void registerBusTypes() {
    qDBusRegisterMetaType<BusProfile>();
    qDBusRegisterMetaType<BusProfileList>();
}

}  // namespace korvex
