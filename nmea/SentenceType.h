#pragma once

#include "nmea/Coordinates.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

class CSentence;
class CFixRecord;

// The kind of a route as RTE carries it: "C" complete, "W" working.
enum class RouteKind : int { None = 0, Complete = 1, Working = 2 };

// Receives what the store sentences (WPL, RTE) carry. The navigation store implements it.
class IStoreTarget {
public:
    virtual ~IStoreTarget() = default;
    // A WPL sentence: one waypoint with its name and a valid position.
    virtual void ReceiveWaypoint(std::string name, const CLatLong& position) = 0;
    // The last RTE sentence of a route: its kind, name and all collected waypoint names.
    virtual void ReceiveRoute(RouteKind kind, std::string name,
                              std::vector<std::string> waypointNames) = 0;
};

// The item a store sentence is composed from: a waypoint (name, position) for WPL, a route
// (kind, name, waypoint names) for RTE. Views only; the caller keeps the data alive for the
// call.
struct StoreItemView {
    std::string_view name;
    CLatLong position;
    RouteKind routeKind = RouteKind::None;
    std::span<const std::string> waypointNames;
};

// Which of a type's two records Empty resets.
enum class RecordSide : int { Input = 1, Output = 2 };

// Base of the sentence types. A decoder owns one object of each type it handles, finds it by
// mnemonic and calls Parse or Write. Every Parse accepts a sentence only with a field count its
// type allows and a present, correct checksum; otherwise it returns false and changes nothing.
// Every Write begins with "$" + talker + mnemonic, appends fields and finishes with the
// checksum and CR LF.
class CSentenceType {
public:
    virtual ~CSentenceType() = default;

    // "GP" for every type; written at the start of every composed sentence.
    const std::string& Talker() const { return m_talker; }
    // The three letters: "GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "RTE", "WPL".
    const std::string& Mnemonic() const { return m_mnemonic; }

    // Whether a sentence with this many data fields can be of this type.
    virtual bool AcceptsFieldCount(int dataFieldCount) const = 0;
    // AcceptsFieldCount and a present, correct checksum.
    bool Accepts(const CSentence& sentence) const;

    // Resets the input record (filled by Parse) or the output record (filled by Write): texts
    // empty, numbers 0, coordinates unset, times 1999-01-01 00:00:00.
    virtual void Empty(RecordSide which) = 0;

    // Store types (WPL, RTE): parse into the target. False by default.
    virtual bool Parse(const CSentence& sentence, IStoreTarget& target);
    // Receiver types: parse and update the fix record. False by default.
    virtual bool Parse(const CSentence& sentence, CFixRecord& fix);
    // Store types: compose from the item. False by default.
    virtual bool Write(CSentence& sentence, const StoreItemView& source);
    // Receiver types: compose from a fix record (or a stored point). False by default.
    virtual bool Write(CSentence& sentence, const CFixRecord& fix);

    // A plain-language description of the input record (UTF-8); empty by default.
    virtual std::string Describe() const;

protected:
    explicit CSentenceType(std::string_view mnemonic) : m_mnemonic(mnemonic) {}
    CSentenceType(const CSentenceType&) = default;
    CSentenceType& operator=(const CSentenceType&) = default;

    // Assigns "$" + talker + mnemonic to the sentence.
    void Begin(CSentence& sentence) const;

private:
    std::string m_talker = "GP";
    std::string m_mnemonic;
};
