#include "nmea/TimeText.h"

#include "nmea/NumberText.h"

std::string DescriptionTime(CalendarTime time) {
    const CalendarFields fields = SplitCalendarTime(time);
    const int hour12 = fields.hour % 12 == 0 ? 12 : fields.hour % 12;
    std::string text = FormatInteger(hour12, 2, true);
    text += ':';
    text += FormatInteger(fields.minute, 2, true);
    text += '.';
    text += FormatInteger(fields.second, 2, true);
    text += fields.hour < 12 ? " AM" : " PM";
    return text;
}
