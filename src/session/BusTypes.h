#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>

namespace korvex {

// The bus service's name, object and interface.
inline constexpr char kBusName[] = "io.github.korvex.Korvex";
inline constexpr char kBusPath[] = "/io/github/korvex/Korvex";
inline constexpr char kBusInterface[] = "io.github.korvex.Korvex1";

// One entry of the Profiles property: (id, name).
struct BusProfile {
    qlonglong id = 0;
    QString name;
    bool operator==(const BusProfile&) const = default;
};
using BusProfileList = QList<BusProfile>;

QDBusArgument& operator<<(QDBusArgument& out, const BusProfile& profile);
const QDBusArgument& operator>>(const QDBusArgument& in, BusProfile& profile);

// Once per process, before the types cross the bus.
void registerBusTypes();

}  // namespace korvex

Q_DECLARE_METATYPE(korvex::BusProfile)
Q_DECLARE_METATYPE(korvex::BusProfileList)
