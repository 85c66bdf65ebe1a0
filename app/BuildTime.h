#pragma once

#include <QString>

// The About box's line: "\r\nBuild time:" followed by the date and time of the build.
QString BuildTimeLine();
