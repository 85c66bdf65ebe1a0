#pragma once

class CSentence;

// One satellite of a GSV sentence.
struct CSatelliteData {
    int prn = 0;
    int elevation = 0;      // degrees
    int azimuth = 0;        // degrees true
    int signalToNoise = -1; // dB-Hz; -1 when the field is empty

    // Reads the four values from firstField on; fields after lastField read as empty.
    void Parse(int firstField, int lastField, const CSentence& sentence);
    // Appends four integer fields (0 as an empty field), the ratio empty when it is -1.
    void Write(CSentence& sentence) const;

    bool operator==(const CSatelliteData&) const = default;
};
