#pragma once

// COM initialised on the calling thread for the lifetime of one object: every
// HTTP exchange and every regex object brackets its use of a component object
// with CoInitialize(NULL) and CoUninitialize on its own thread.

namespace qorvex::win32 {

class ComApartment {
public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    // False when the thread already runs COM in a mode that refuses a
    // single-threaded apartment; component objects may still work then.
    bool initialised() const { return m_initialised; }

private:
    bool m_initialised = false;
};

}  // namespace qorvex::win32
