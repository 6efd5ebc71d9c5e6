// The libFuzzer wrapper of one entry point; DRAXA_FUZZ_TARGET names it.
#include "fuzz/fuzz_entries.h"

#include <cstdio>
#include <cstdlib>

namespace {
draxa::fuzz::TFuzzEntry Entry = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int* Argc, char*** Argv) {
    draxa::fuzz::FuzzSetUp(Argc, Argv);
    const draxa::fuzz::TFuzzTarget* Target = draxa::fuzz::FindFuzzTarget(QStringLiteral(DRAXA_FUZZ_TARGET));
    if (!Target) {
        std::fprintf(stderr, "no fuzz target called %s\n", DRAXA_FUZZ_TARGET);
        std::exit(2);
    }
    Entry = Target->Run;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    Entry(Data, Size);
    return 0;
}
