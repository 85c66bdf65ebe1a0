#pragma once

#include "nmea/NmeaDecoder.h"
#include "nmea/SentenceTypes.h"

#include <string_view>

class CNavigationDataBase;
class IClock;

// The document's third decoder: it composes the standard sentences from the navigation target
// instead of from stored points, so that a consumer steers to the target waypoint (Go To) or
// the active waypoint of the followed route (Go Along). The fix it composes from has the time
// of now, the target's position, speed, course and variation 0 (East), 12 satellites in use and
// in view, altitude and geoidal separation 0.
class CNavigatorDecoder final : public CNmeaDecoder {
public:
    CNavigatorDecoder(CNavigationDataBase& store, const IClock& clock);

    // False, with the output sentence empty, when there is no target or the mnemonic is not one
    // of GGA, GLL, GSA, GSV, RMC, VTG.
    bool Compose(std::string_view mnemonic) override;

private:
    CNavigationDataBase& m_store;
    const IClock& m_clock;
    CGgaSentence m_gga;
    CGllSentence m_gll;
    CGsaSentence m_gsa;
    CGsvSentence m_gsv;
    CRmcSentence m_rmc;
    CVtgSentence m_vtg;
};
