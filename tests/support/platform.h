#pragma once

// Facts about the platform a test binary runs on, for the few places where a
// platform's own component behaves differently and the test says why.

namespace qorvex::test_support {

// True when the Windows test binary runs under Wine rather than on Windows.
bool running_under_wine();

}  // namespace qorvex::test_support
