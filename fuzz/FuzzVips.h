#pragma once

// What the harnesses that go through libvips share: starting it once, and a
// scratch folder of their own under /tmp for the files they write.

#include "VipsPictureLoader.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace tessaline::fuzz {

inline const std::string& scratchFolder()
{
    static const std::string path = [] {
        char tmpl[] = "/tmp/tessaline-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl))
            std::abort();
        return std::string(tmpl);
    }();
    return path;
}

} // namespace tessaline::fuzz

// Included by one file of each harness: libFuzzer calls it once before the inputs.
extern "C" int LLVMFuzzerInitialize(int*, char*** argv)
{
    if (!tessaline::startVips((*argv)[0]))
        std::abort();
    return 0;
}
