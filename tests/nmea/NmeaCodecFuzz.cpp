// Feeds arbitrary bytes through every part of the codec: framing, field readers, every sentence
// type (receiver and store), descriptions, and composing from the resulting fix. Nothing may
// crash, read out of bounds or overflow, whatever the bytes.
#include "nmea/FixRecord.h"
#include "nmea/NmeaDecoder.h"
#include "nmea/ProprietarySentences.h"
#include "nmea/SentenceTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

class AllTypesDecoder : public CNmeaDecoder, public IStoreTarget {
public:
    AllTypesDecoder() {
        for (CSentenceType* type : m_types) {
            AddType(*type);
        }
    }

    bool Decode() override {
        CSentenceType* type = InputType();
        if (type == nullptr) {
            return false;
        }
        const bool parsed = type->Parse(Input(), fix) || type->Parse(Input(), *this);
        m_description = type->Describe();
        return parsed;
    }

    bool Compose(std::string_view mnemonic) override { return ComposeFrom(mnemonic, fix); }

    bool ComposeRoute() {
        StoreItemView route;
        route.name = m_routeName;
        route.waypointNames = m_waypointNames;
        route.routeKind = RouteKind::Complete;
        return ComposeFrom("RTE", route) && ComposeFrom("WPL", route);
    }

    void ReceiveWaypoint(std::string name, const CLatLong& position) override {
        fix.SetPosition(position);
        m_routeName = std::move(name);
    }
    void ReceiveRoute(RouteKind, std::string name, std::vector<std::string> names) override {
        m_routeName = std::move(name);
        m_waypointNames = std::move(names);
    }

    CFixRecord fix;

private:
    CGgaSentence m_gga;
    CGllSentence m_gll;
    CGsaSentence m_gsa;
    CGsvSentence m_gsv;
    CRmcSentence m_rmc;
    CVtgSentence m_vtg;
    CWplSentence m_wpl;
    CRteSentence m_rte;
    std::vector<CSentenceType*> m_types{&m_gga, &m_gll, &m_gsa, &m_gsv,
                                        &m_rmc, &m_vtg, &m_wpl, &m_rte};
    std::string m_description;
    std::string m_routeName;
    std::vector<std::string> m_waypointNames;
};

void ReadEveryField(const CSentence& sentence) {
    const int count = sentence.DataFieldCount();
    CalendarTime time = kNoDateTime;
    std::string timeText;
    std::string dateText;
    for (int n = 0; n <= count + 1; ++n) {
        static_cast<void>(sentence.Integer(n));
        static_cast<void>(sentence.Double(n));
        static_cast<void>(sentence.GetModeIndicator(n));
        sentence.Time(n, n + 1, time, timeText, dateText);
    }
    static_cast<void>(sentence.IsChecksumBad());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    AllTypesDecoder decoder;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t lf = bytes.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? bytes.size() : lf + 1;
        const std::string_view line = bytes.substr(start, end - start);
        decoder.SetInput(line);
        ReadEveryField(decoder.Input());
        decoder.Decode();
        static_cast<void>(SourceLine(line));
        start = end;
    }
    for (const char* mnemonic : {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG"}) {
        decoder.Compose(mnemonic);
    }
    decoder.ComposeRoute();
    static_cast<void>(decoder.fix.Position().Latitude().DisplayText());
    static_cast<void>(decoder.fix.Position().Describe());
    static_cast<void>(FormatCoordinate(decoder.fix.Position().Longitude().DecimalDegrees(),
                                       CoordinateAxis::Longitude, CoordinateEditOptions{}));
    return 0;
}
