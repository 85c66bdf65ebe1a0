#include "comm/NavigatorDecoder.h"

#include "navigation/NavigationDataBase.h"
#include "nmea/FixRecord.h"
#include "platform/CalendarTime.h"

namespace {

constexpr int kSimulatedSatellites = 12;

} // namespace

CNavigatorDecoder::CNavigatorDecoder(CNavigationDataBase& store, const IClock& clock)
    : m_store(store), m_clock(clock) {
    AddType(m_gga);
    AddType(m_gll);
    AddType(m_gsa);
    AddType(m_gsv);
    AddType(m_rmc);
    AddType(m_vtg);
}

bool CNavigatorDecoder::Compose(std::string_view mnemonic) {
    const std::optional<CLatLong> target = m_store.NavigationTargetPosition();
    if (!target) {
        MutableOutput().Empty();
        return false;
    }
    CFixRecord fix;
    fix.SetTime(m_clock.Now());
    fix.SetPosition(*target);
    fix.SetSpeedOverGround(0.0);
    fix.SetCourseOverGround(0.0);
    fix.SetMagneticVariation(0.0);
    fix.SetVariationDirection(EastWest::East);
    fix.SetSatellitesInUse(kSimulatedSatellites);
    fix.SetSatellitesInView(kSimulatedSatellites);
    fix.SetAltitude(0.0);
    fix.SetGeoidalSeparation(0.0);
    return ComposeFrom(mnemonic, fix);
}
