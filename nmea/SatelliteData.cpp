#include "nmea/SatelliteData.h"

#include "nmea/Sentence.h"

void CSatelliteData::Parse(int firstField, int lastField, const CSentence& sentence) {
    const auto read = [&](int field) { return field <= lastField ? sentence.Integer(field) : 0; };
    prn = read(firstField);
    elevation = read(firstField + 1);
    azimuth = read(firstField + 2);
    const int ratioField = firstField + 3;
    const bool ratioEmpty = ratioField > lastField || sentence.Field(ratioField).empty();
    signalToNoise = ratioEmpty ? -1 : sentence.Integer(ratioField);
}

void CSatelliteData::Write(CSentence& sentence) const {
    sentence.AppendInteger(prn);
    sentence.AppendInteger(elevation);
    sentence.AppendInteger(azimuth);
    if (signalToNoise == -1) {
        sentence.AppendText("");
    } else {
        sentence.AppendInteger(signalToNoise);
    }
}
