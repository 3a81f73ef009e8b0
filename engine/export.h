// BARVELLO_ENGINE_API marks the engine's public names: the classes and functions a
// program linking the shared engine library calls. The library is built with hidden
// visibility, so everything without the mark stays inside it. The project's own programs
// and tests link the static archive and see every name.
#pragma once

#if defined(_WIN32) || defined(__CYGWIN__)
#define BARVELLO_ENGINE_API
#else
#define BARVELLO_ENGINE_API __attribute__((visibility("default")))
#endif
