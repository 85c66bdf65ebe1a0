#include "nmea/NmeaDecoder.h"
#include "nmea/FixRecord.h"
#include "nmea/SentenceTypes.h"
#include "tests/nmea/NmeaTestText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A decoder as the tracks build one: its own type objects, a fix, Decode and Compose.
class ReceiverDecoder : public CNmeaDecoder {
public:
    ReceiverDecoder() {
        // Registered out of order on purpose: the table sorts itself.
        AddType(m_vtg);
        AddType(m_gga);
        AddType(m_rmc);
        AddType(m_gsv);
        AddType(m_gll);
        AddType(m_gsa);
    }

    bool Decode() override {
        CSentenceType* type = InputType();
        return type != nullptr && type->Parse(Input(), fix);
    }

    bool Compose(std::string_view mnemonic) override { return ComposeFrom(mnemonic, fix); }

    CFixRecord fix;

private:
    CGgaSentence m_gga;
    CGllSentence m_gll;
    CGsaSentence m_gsa;
    CGsvSentence m_gsv;
    CRmcSentence m_rmc;
    CVtgSentence m_vtg;
};

// A decoder as the navigation store builds one.
class StoreDecoder : public CNmeaDecoder, public IStoreTarget {
public:
    StoreDecoder() {
        AddType(m_wpl);
        AddType(m_rte);
    }

    bool DecodeIntoStore() override {
        CSentenceType* type = InputType();
        return type != nullptr && type->Parse(Input(), *this);
    }

    bool ComposeItem(std::string_view mnemonic, const StoreItemView& item) {
        return ComposeFrom(mnemonic, item);
    }

    void ReceiveWaypoint(std::string name, const CLatLong&) override {
        received.push_back(std::move(name));
    }
    void ReceiveRoute(RouteKind, std::string name, std::vector<std::string>) override {
        received.push_back(std::move(name));
    }

    std::vector<std::string> received;

private:
    CWplSentence m_wpl;
    CRteSentence m_rte;
};

TEST(NmeaDecoder, TableIsSortedAndLookedUpByMnemonic) {
    const ReceiverDecoder decoder;
    std::vector<std::string> order;
    for (const CSentenceType* type : decoder.Types()) {
        order.push_back(type->Mnemonic());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"GGA", "GLL", "GSA", "GSV", "RMC", "VTG"}));
    for (const char* mnemonic : {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG"}) {
        ASSERT_NE(decoder.FindType(mnemonic), nullptr) << mnemonic;
        EXPECT_EQ(decoder.FindType(mnemonic)->Mnemonic(), mnemonic);
    }
    for (const char* mnemonic : {"AAA", "GGB", "ZDA", "ZZZ", "", "gga", "GG", "WPL"}) {
        EXPECT_EQ(decoder.FindType(mnemonic), nullptr) << mnemonic;
    }
}

TEST(NmeaDecoder, InputIsRoutedByTheLastThreeLettersOfTheAddress) {
    const std::string body = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";
    struct Case {
        std::string text;
        bool decoded;
        int satellitesInUse;
    } cases[] = {
        {WithChecksum(body), true, 8},
        {WithChecksum("$GNGGA" + body.substr(6)), true, 8}, // any talker
        {WithChecksum("$GGA" + body.substr(6)), true, 8},   // no talker at all
        {WithChecksum("$GPZDA,201530.00,04,07,2002,00,00"), false, kUnknownCount},
        {WithChecksum("$PZRVPVD,Velmora Recorder 3,v3.9.91"), false, kUnknownCount},
        {WithChecksum("$GA,1"), false, kUnknownCount},
        {WithChecksum(body).substr(0, WithChecksum(body).size() - 2) + "\n", false,
         kUnknownCount}, // LF alone fails the framing
        {"x" + WithChecksum(body), false, kUnknownCount},
    };
    for (const auto& c : cases) {
        ReceiverDecoder decoder;
        decoder.SetInput(c.text);
        EXPECT_EQ(decoder.Decode(), c.decoded) << c.text;
        EXPECT_EQ(decoder.fix.SatellitesInUse(), c.satellitesInUse) << c.text;
    }
}

TEST(NmeaDecoder, BadFramingEmptiesTheInput) {
    ReceiverDecoder decoder;
    decoder.SetInput("$GPGGA,no line end");
    EXPECT_FALSE(decoder.Decode());
    EXPECT_TRUE(decoder.Input().IsEmpty());

    decoder.SetInput(WithChecksum("$GPZDA,1"));
    EXPECT_FALSE(decoder.Decode());
    EXPECT_FALSE(decoder.Input().IsEmpty()); // well framed, only unknown
}

TEST(NmeaDecoder, ComposeChecksTheOutput) {
    ReceiverDecoder decoder;
    decoder.fix.ApplyEpochRule(MakeCalendarTime({2024, 1, 1, 1, 2, 3}));
    decoder.fix.SetPosition(CLatLong::FromDecimalDegrees(10.0, 20.0));

    for (const char* mnemonic : {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG"}) {
        EXPECT_TRUE(decoder.Compose(mnemonic)) << mnemonic;
        EXPECT_TRUE(decoder.Output().IsWellFormedOutput()) << mnemonic;
        EXPECT_EQ(decoder.Output().Field(0), std::string("GP") + mnemonic);
    }
    // A point stored without altitude still composes its GGA.
    EXPECT_FALSE(decoder.fix.HasAltitude());
    ASSERT_TRUE(decoder.Compose("GGA"));
    EXPECT_LE(decoder.Output().Text().size(), kMaxSentenceLength);

    EXPECT_FALSE(decoder.Compose("ZDA"));
    EXPECT_TRUE(decoder.Output().IsEmpty());

    // A value that cannot fit a line: the output check refuses the sentence.
    decoder.fix.SetAltitude(1e300);
    EXPECT_FALSE(decoder.Compose("GGA"));
    EXPECT_TRUE(decoder.Output().IsEmpty());
}

TEST(NmeaDecoder, StoreDecoderTakesWplAndRte) {
    StoreDecoder store;
    const char* lines[] = {
        "$GPWPL,4916.45,N,12311.12,W,HOME",
        "$GPRTE,1,1,c,TRIP,HOME",
        "$GPGGA,1",
        "$PZRVWRG,WARNING!,Please!,Do NOT change or delete this file!",
    };
    std::vector<bool> taken;
    for (const char* body : lines) {
        store.SetInput(WithChecksum(body));
        taken.push_back(store.DecodeIntoStore());
    }
    EXPECT_EQ(taken, (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(store.received, (std::vector<std::string>{"HOME", "TRIP"}));
    EXPECT_FALSE(store.Decode());
    EXPECT_FALSE(store.Compose("WPL"));

    const std::vector<std::string> names = {"A", "B"};
    StoreItemView route;
    route.name = "R";
    route.routeKind = RouteKind::Complete;
    route.waypointNames = names;
    ASSERT_TRUE(store.ComposeItem("RTE", route));
    EXPECT_EQ(store.Output().Text(), WithChecksum("$GPRTE,1,1,C,R,A,B"));
    EXPECT_FALSE(store.ComposeItem("RTE", route)); // the route is done
    EXPECT_TRUE(store.Output().IsEmpty());
    EXPECT_TRUE(store.ComposeItem("RTE", route)); // and starts again

    store.Reset();
    EXPECT_TRUE(store.Input().IsEmpty());
    EXPECT_TRUE(store.Output().IsEmpty());
}

} // namespace
