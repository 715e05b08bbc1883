// GoogleTest in its Linux form, the one Debian's static libraries were
// built with (in its Windows form it wants the Microsoft C runtime headers).
#pragma push_macro("_WIN32")
#undef _WIN32
#include_next <gmock/gmock.h>
#pragma pop_macro("_WIN32")
