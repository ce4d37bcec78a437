// Makes the name `sync` usable for the sync namespace on Linux. glibc's <unistd.h> declares the
// POSIX function ::sync(), and C++ forbids a namespace of the same name beside it, so the token
// is renamed to dusk_sync for every translation unit that includes a sync header. The standard
// headers that use `sync` as a member name are included first, before the rename, so their
// declarations keep the name their compiled library code has. Include this before anything
// else that opens `namespace sync`.
#pragma once

#include <unistd.h>

#include <fstream>
#include <istream>
#include <locale>
#include <sstream>
#include <streambuf>
#include <syncstream>

#ifndef sync
#define sync dusk_sync
#endif
