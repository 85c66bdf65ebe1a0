#pragma once

#include <locale.h>

// Numbers in files, on the wire and in the program's own texts carry a decimal point, whatever
// locale the user runs the program in (the window's toolkit takes the user's). While an object
// lives, printf- and strtod-style calls of the thread that made it use the "C" locale; the
// thread's own locale comes back with the object's end. Other threads are not affected.
class ClassicLocaleScope {
public:
    ClassicLocaleScope();
    ~ClassicLocaleScope();
    ClassicLocaleScope(const ClassicLocaleScope&) = delete;
    ClassicLocaleScope& operator=(const ClassicLocaleScope&) = delete;

private:
    locale_t m_previous;
};
