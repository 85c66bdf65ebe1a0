#include "comm/PlaybackBurst.h"

#include "nmea/NmeaDecoder.h"

#include <string_view>

std::string ComposeBurst(CNmeaDecoder& decoder, bool withSatellitesInView) {
    std::string burst;
    for (std::string_view mnemonic : {"GGA", "GSA", "GSV", "RMC", "VTG", "GLL"}) {
        if (mnemonic == "GSV" && !withSatellitesInView) {
            continue;
        }
        if (decoder.Compose(mnemonic)) {
            burst += decoder.Output().Text();
        }
    }
    return burst;
}
