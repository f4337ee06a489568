/** @file fuzzsupport.h @brief What every fuzz target shares: the application object and a check that aborts. */
#pragma once

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace fuzzsupport {

/// Creates the process's QCoreApplication on the first call (the library reads
/// its application directory).
inline void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "vefinder-fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
}

/// Aborts (so libFuzzer keeps the input) when an invariant does not hold.
inline void check(bool holds, const char* what)
{
    if (holds)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

} // namespace fuzzsupport
