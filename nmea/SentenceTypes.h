#pragma once

// The eight standard sentence types.
#include "nmea/GgaSentence.h"
#include "nmea/GllSentence.h"
#include "nmea/GsaSentence.h"
#include "nmea/GsvSentence.h"
#include "nmea/RmcSentence.h"
#include "nmea/RteSentence.h"
#include "nmea/VtgSentence.h"
#include "nmea/WplSentence.h"
