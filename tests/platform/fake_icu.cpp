// Every ICU function the POSIX backend binds, named as ICU release 100 would
// name them. None does anything: the look-up only binds them.
#include "platform/posix/icu_library.h"

#define VX_FAKE_ICU_FUNCTION(name) \
    extern "C" void name##_100() {}
VX_ICU_FUNCTIONS(VX_FAKE_ICU_FUNCTION)
