#include "win32/com_apartment.h"

#include <objbase.h>

namespace qorvex::win32 {

ComApartment::ComApartment() {
    // S_FALSE (already initialised on this thread) also needs its CoUninitialize.
    m_initialised = SUCCEEDED(CoInitialize(nullptr));
}

ComApartment::~ComApartment() {
    if (m_initialised) {
        CoUninitialize();
    }
}

}  // namespace qorvex::win32
